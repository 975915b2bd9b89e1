# Fails unless PROGRAM exports each function of REPLACED: symbol
# interposition works only on exported symbols (app/replacements_x11.cpp).
execute_process(COMMAND ${NM} -D --defined-only ${PROGRAM} OUTPUT_VARIABLE symbols
                COMMAND_ERROR_IS_FATAL ANY)
foreach(name ${REPLACED})
  if(NOT symbols MATCHES " T ${name}\n")
    message(FATAL_ERROR "${PROGRAM} does not export ${name}, which it interposes: a build that "
                        "hides it leaves it unused (app/replacements_x11.cpp)")
  endif()
endforeach()
