# The Qt half of the editor: the widget TSynEdit with its painting, measuring, mouse and scrolling.
# It stands on the editing core; until that target exists the widget is left out of the build.
if(TARGET pindle_editor_core)
  pindle_ui_part(pindle_ui_editor
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/SynEdit.h
      ${CMAKE_CURRENT_LIST_DIR}/SynEdit.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SynEditAccessible.h
      ${CMAKE_CURRENT_LIST_DIR}/SynEditAccessible.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SynEditKeyMap.h
      ${CMAKE_CURRENT_LIST_DIR}/SynEditKeyMap.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SynEditPainter.h
      ${CMAKE_CURRENT_LIST_DIR}/SynEditPainter.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SynEditRuns.h
      ${CMAKE_CURRENT_LIST_DIR}/SynEditRuns.cpp
      ${CMAKE_CURRENT_LIST_DIR}/SynTextDrawer.h
      ${CMAKE_CURRENT_LIST_DIR}/SynTextDrawer.cpp
    DEPENDS pindle_editor_core pindle_ui_platform)
endif()
