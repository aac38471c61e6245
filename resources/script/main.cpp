// Writes the generated part of the program's resource script:
//   spanfinder_rcgen FILE
// FILE gets the dialog templates, the string tables and the version block.
#include <fstream>
#include <iostream>

#include "app/dialog_templates.h"
#include "resources/script/resource_script.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: spanfinder_rcgen FILE\n";
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << "// Made by spanfinder_rcgen from app/dialog_templates.cpp, resources/messages.def and\n"
         "// app/version_resource.h at build time; change those, not this file.\n"
         "#pragma code_page(65001)\n\n"
         "// English (United States), 0x0409, but where a string table says otherwise.\n"
         "LANGUAGE 0x09, 0x01\n\n";
  for (const ui::DialogTemplate& dialog : app::programResources().dialogs)
    resources::script::writeDialog(out, dialog);
  resources::script::writeStringTables(out);
  resources::script::writeVersionBlock(out);
  out.close();
  if (!out) {
    std::cerr << "spanfinder_rcgen: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
