# The Qt side of colour/: the colour combo box.
pindle_ui_part(pindle_ui_colour
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FnpComboColor.h
    ${CMAKE_CURRENT_LIST_DIR}/FnpComboColor.cpp
  DEPENDS pindle_colour pindle_ui_platform)
