# Connect and Tables dialogs. A static library cannot carry resources reliably, so the
# dialog templates (LUMBRA_DLG_RC) go into the sources of whatever executable shows them.
# connhost.cpp, the adapter onto the main window and its query slots, is built with the
# workbench classes it adapts (lumbrawb).
if(WIN32)
  add_library(lumbradlg STATIC
    ${CMAKE_CURRENT_LIST_DIR}/dlgconnect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dlgtables.cpp
  )
  # The dialogs' own headers, and the workbench's colours and helpers (headers only).
  target_include_directories(lumbradlg PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(lumbradlg PUBLIC lumbrasql vorodbc206 vorcore206 user32 gdi32)
  set(LUMBRA_DLG_RC ${CMAKE_CURRENT_LIST_DIR}/dlgconn.rc CACHE INTERNAL "Connect and Tables dialog templates")
endif()
