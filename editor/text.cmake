# The line list with its per-line highlighter states: Qt-free, part of pindle_core.
pindle_core_part(pindle_editor_text
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SynEditLineStore.h ${CMAKE_CURRENT_LIST_DIR}/SynEditLineStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SynEditTextBuffer.h ${CMAKE_CURRENT_LIST_DIR}/SynEditTextBuffer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SynEditLineStates.h ${CMAKE_CURRENT_LIST_DIR}/SynEditLineStates.cpp
  DEPENDS pindle_highlight)
