#!/bin/sh
# The module's dynamic symbol table offers the host's entry points, each once.
lib="$1"
status=0
for name in CriaAproAtiv IniProc CriaFiltroAtividade CriaShowHistory CriaAutenticacao FinalizaModulo CriaAnexoScript CriaSelectFiles CriaSelectFilesCheckin CriaResposta CriaDadosAdi; do
  n=$(nm -D --defined-only "$lib" | awk '{print $NF}' | grep -cx "$name")
  if [ "$n" != 1 ]; then
    echo "expected one export $name in $lib, found $n"
    status=1
  fi
done
exit $status
