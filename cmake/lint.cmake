# Static checks as tests: the committed style (.clang-format) and a small
# set of clang-tidy checks (.clang-tidy) over the project's own sources.
# clang-tidy reads what the compilation database lists, so this comes before
# any target is made.
find_program(CLANG_FORMAT clang-format REQUIRED)
find_program(RUN_CLANG_TIDY run-clang-tidy REQUIRED)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

file(GLOB_RECURSE lint_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/console/*.[ch]pp ${PROJECT_SOURCE_DIR}/raisecalc/*.[ch]pp
  ${PROJECT_SOURCE_DIR}/cardform/*.[ch]pp ${PROJECT_SOURCE_DIR}/tests/*.[ch]pp
  ${PROJECT_SOURCE_DIR}/fuzz/*.[ch]pp)
add_test(NAME clang-format COMMAND ${CLANG_FORMAT} --dry-run --Werror ${lint_sources})
add_test(NAME clang-tidy
  COMMAND ${RUN_CLANG_TIDY} -quiet -j 2 -p ${PROJECT_BINARY_DIR}
          "/(console|raisecalc|cardform|tests)/[^/]*\\.cpp$")
set_tests_properties(clang-format clang-tidy PROPERTIES LABELS lint)
