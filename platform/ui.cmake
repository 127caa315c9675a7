# The Qt side of platform/: application object and the desktop.
pindle_ui_part(pindle_ui_platform
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Application.h
    ${CMAKE_CURRENT_LIST_DIR}/Application.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Desktop.h
    ${CMAKE_CURRENT_LIST_DIR}/QtDesktop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QtText.h
    ${CMAKE_CURRENT_LIST_DIR}/QtText.cpp
  DEPENDS pindle_platform)
