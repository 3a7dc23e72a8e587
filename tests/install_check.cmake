# Installs the build into a fresh prefix and checks what a user gets there:
# both programs in bin/ holding their dialogue, and both manual pages in
# share/man/man1/, rendered by man without a warning.
# cmake -DBUILD=DIR -DPREFIX=DIR [-DMAN=man] -P install_check.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} --strip
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()

# One line that both dialogues read whole: a year, or a form.
file(WRITE ${PREFIX}/answers "2010 Rua Recife 5551234 50000\n")
set(says_raisecalc "rio = 1539.04")
set(says_cardform "Digite seu CEP :")
set(shows_raisecalc "“Digite o ano atual: ”" "“Novo salário = ”" "“  inf”"
  "“raisecalc: ano invalido”")
set(shows_cardform "Digite sueu telefone :" "“555-1234”")
foreach(program raisecalc cardform)
  set(page ${PREFIX}/share/man/man1/${program}.1.gz)
  if(NOT EXISTS ${PREFIX}/bin/${program} OR NOT EXISTS ${page})
    message(FATAL_ERROR "${program}: not installed in bin/ with its page in share/man/man1/")
  endif()
  execute_process(COMMAND ${PREFIX}/bin/${program} INPUT_FILE ${PREFIX}/answers
    OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  string(FIND "${out}" "${says_${program}}" at)
  if(NOT rc EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "installed ${program}: status ${rc}, wrote '${out}'")
  endif()
  if(MAN)
    foreach(width 60 80 100 140)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=${width} ${MAN} --warnings -l ${page}
        OUTPUT_VARIABLE text ERROR_VARIABLE warnings RESULT_VARIABLE rc)
      string(FIND "${text}" "EXIT STATUS" at)
      if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "" OR at EQUAL -1)
        message(FATAL_ERROR "man -l ${program}.1.gz: status ${rc}, warnings:\n${warnings}")
      endif()
      # The programs' own texts, neither widened nor split at any width.
      foreach(literal IN LISTS shows_${program})
        string(FIND "${text}" "${literal}" at)
        if(at EQUAL -1)
          message(FATAL_ERROR "man -l ${program}.1.gz at width ${width}: no [${literal}]")
        endif()
      endforeach()
    endforeach()
  else()
    message(WARNING "no man on this machine: ${program}.1 installed but not rendered")
  endif()
endforeach()
message(STATUS "installed and checked in ${PREFIX}")
