# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program as a user would (under its emulator, Wine, for a Windows build) and compares
# what it writes, byte for byte, with what the Linux build writes.
#   -DPROGRAMA=<program> -DARGUMENTOS=<arguments separated by |> -DESPERADO=<file>
#   -DCODIGO=<expected exit status> [-DERRORES=ON: compare standard error, not output]
#   [-DEMULADOR=<words separated by |>]
string(REPLACE "|" ";" emulador "${EMULADOR}")
string(REPLACE "|" ";" argumentos "${ARGUMENTOS}")
execute_process(COMMAND ${emulador} "${PROGRAMA}" ${argumentos}
                RESULT_VARIABLE codigo OUTPUT_VARIABLE salida ERROR_VARIABLE errores)
if(NOT codigo EQUAL CODIGO)
  message(FATAL_ERROR "${PROGRAMA} exited ${codigo}, not ${CODIGO}:\n${errores}")
endif()
if(ERRORES)
  set(salida "${errores}")
endif()
file(READ "${ESPERADO}" esperado)
if(NOT salida STREQUAL esperado)
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/obtenido.txt" "${salida}")
  message(FATAL_ERROR "not what the Linux build writes (${ESPERADO}); got "
                      "${CMAKE_CURRENT_BINARY_DIR}/obtenido.txt")
endif()
