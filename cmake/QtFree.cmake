# The check that keeps the core free of Qt: no file of a Qt-free folder (its *.h and *.cpp, not its
# subfolders, which hold the Qt side) includes a Qt header. pindle_core_part runs it on its folder at
# configure time; `cmake -DPINDLE_QT_FREE_DIRS=a,b -P QtFree.cmake` runs it on the folders named.

# pindle_check_qt_free(DIR): stops the configure step, naming the file and the line, when a file in DIR
# includes <Q...>, <Qt.../...> or a QtCore-style module header.
function(pindle_check_qt_free dir)
  file(GLOB files LIST_DIRECTORIES false "${dir}/*.h" "${dir}/*.cpp")
  foreach(file ${files})
    file(STRINGS "${file}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q[A-Za-z0-9_]*[/>\"]")
    if(hits)
      list(GET hits 0 first)
      string(STRIP "${first}" first)
      message(FATAL_ERROR "A file of a Qt-free folder includes a Qt header:\n"
        "  ${file}: ${first}\n"
        "Move the file into the folder's Qt subfolder (qt/ or widget/), or drop the include.")
    endif()
  endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND PINDLE_QT_FREE_DIRS)
  string(REPLACE "," ";" dirs "${PINDLE_QT_FREE_DIRS}")
  foreach(dir ${dirs})
    pindle_check_qt_free(${dir})
  endforeach()
endif()
