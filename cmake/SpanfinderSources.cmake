# spanfinder_sources(<var> <folder>)
# Collects the .cpp files of a folder. Files of a win32/ subfolder belong to the
# Windows build only and files of a posix/ subfolder to the native build only,
# so that the logic itself never needs a platform #ifdef.
function(spanfinder_sources var folder)
  file(GLOB common CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(WIN32)
    file(GLOB platform CONFIGURE_DEPENDS ${folder}/win32/*.cpp)
  else()
    file(GLOB platform CONFIGURE_DEPENDS ${folder}/posix/*.cpp)
  endif()
  set(${var} ${common} ${platform} PARENT_SCOPE)
endfunction()
