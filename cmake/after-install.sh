#!/usr/bin/env bash
# After make install: a program that loads the access library by its bare name,
# dlopen("libCfgprobe64.so"), finds it only through the dynamic loader's cache or
# LD_LIBRARY_PATH. When PREFIX/lib is a folder the loader is configured to search
# (/usr/local/lib on Debian), its cache is refreshed; otherwise this says how to
# reach the library. The tool itself needs neither: it finds its libraries beside it.
set -euo pipefail
lib="$(cd "$1/lib" && pwd)"
if cat /etc/ld.so.conf /etc/ld.so.conf.d/*.conf 2>/dev/null | grep -qxF "$lib"; then
  if [ "$(id -u)" = 0 ]; then
    ldconfig
    echo "make install: $lib/libCfgprobe64.so is in the loader's cache: dlopen(\"libCfgprobe64.so\") finds it"
  else
    echo "make install: run 'sudo ldconfig' once, so that dlopen(\"libCfgprobe64.so\") finds $lib/libCfgprobe64.so"
  fi
else
  echo "make install: dlopen(\"libCfgprobe64.so\") finds $lib/libCfgprobe64.so with" \
       "LD_LIBRARY_PATH=\"$lib\" set, or by its full path"
fi
