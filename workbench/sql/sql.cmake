# SELECT parser and statement model: no Win32, so also built natively.
# cXdbc is used through its virtual interface only: its header, not its library.
add_library(lumbrasql STATIC
  ${CMAKE_CURRENT_LIST_DIR}/sqlparser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stmtmodel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sqlname.cpp
)
target_include_directories(lumbrasql PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/odbc)
target_link_libraries(lumbrasql PUBLIC vorcore)
if(NOT WIN32)
  # Natively there is no ODBC library: keep UBSan's vptr check from asking for cXdbc's
  # type information, so the library links without it.
  target_compile_options(lumbrasql PRIVATE -fno-sanitize=vptr)
endif()
