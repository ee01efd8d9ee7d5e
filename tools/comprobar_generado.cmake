# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a generator into a scratch folder and compares what it writes with the files kept in
# the tree, so that those files stay exactly what their generator makes.
#   -DGENERADOR=<program> -DARGUMENTO=<its argument> -DSALIDA=<scratch folder>
#   -DFUENTES=<source folder> -DARCHIVOS=<relative paths separated by |>
#   [-DEMULADOR=<what runs the generator, words separated by |>] (Wine, for a Windows build)
file(REMOVE_RECURSE "${SALIDA}")
file(MAKE_DIRECTORY "${SALIDA}/examples")
string(REPLACE "|" ";" emulador "${EMULADOR}")
execute_process(COMMAND ${emulador} "${GENERADOR}" "${ARGUMENTO}" RESULT_VARIABLE resultado)
if(NOT resultado EQUAL 0)
  message(FATAL_ERROR "${GENERADOR} failed: ${resultado}")
endif()
string(REPLACE "|" ";" archivos "${ARCHIVOS}")
foreach(archivo IN LISTS archivos)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${SALIDA}/${archivo}"
                          "${FUENTES}/${archivo}" RESULT_VARIABLE distinto)
  if(NOT distinto EQUAL 0)
    message(FATAL_ERROR "${archivo} differs from what its generator makes now; run it again")
  endif()
endforeach()
