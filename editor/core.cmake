# The editing core: caret, selection, commands, undo and the keystroke table, on top of the line list.
set(_edcore_sources
  ${CMAKE_CURRENT_LIST_DIR}/SynEditKeyCmds.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SynEditUndo.cpp)
set(_edcore_depends pindle_platform)
if(TARGET pindle_editor_text)
  list(APPEND _edcore_sources
    ${CMAKE_CURRENT_LIST_DIR}/SynEditCore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SynEditCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SynEditTextUtils.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SynEditChars.cpp)
  list(APPEND _edcore_depends pindle_editor_text)
endif()
pindle_core_part(pindle_editor_core SOURCES ${_edcore_sources} DEPENDS ${_edcore_depends})
# Grapheme clusters, character widths and categories come from utf8proc (Debian's libutf8proc-dev).
find_package(PkgConfig REQUIRED)
pkg_check_modules(UTF8PROC REQUIRED IMPORTED_TARGET libutf8proc)
target_link_libraries(pindle_editor_core PUBLIC PkgConfig::UTF8PROC)
