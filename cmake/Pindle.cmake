# Helpers shared by the folders' CMakeLists.

# Warnings are errors in `make` and CI; off by default, so that a newer compiler's new warning never
# breaks the build of someone who only wants the program.
option(PINDLE_WERROR "Treat compiler warnings as errors" OFF)
set(PINDLE_WARNINGS -Wall -Wextra)
if(PINDLE_WERROR)
  list(APPEND PINDLE_WARNINGS -Werror)
endif()

# PINDLE_DEBIAN_FLAGS: everything is compiled and linked with the hardening flags that Debian builds
# its packages with (dpkg-buildflags with every hardening feature: fortified functions, stack
# protector, format checks, read-only relocations bound at start). The build type keeps choosing the
# optimisation and the debug information; the fortified functions need an optimised build type.
# `make` turns it on; the fuzzers' sanitizers do without.
option(PINDLE_DEBIAN_FLAGS "Build with Debian's hardening flags from dpkg-buildflags" OFF)
if(PINDLE_DEBIAN_FLAGS AND NOT PINDLE_FUZZ)
  find_program(PINDLE_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
        ${PINDLE_DPKG_BUILDFLAGS} --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(g|O.*)$")
    if(kind STREQUAL LDFLAGS)
      add_link_options(${flags})
    else()
      add_compile_options(${flags})
    endif()
  endforeach()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/QtFree.cmake)

set(PINDLE_CORE_PARTS "" CACHE INTERNAL "")
set(PINDLE_QT_FREE_DIRS "" CACHE INTERNAL "")
set(PINDLE_UI_PARTS "" CACHE INTERNAL "")

# pindle_core_part(NAME SOURCES... [DEPENDS parts...]): a Qt-free static library of pindle_core. Its
# folder is checked for Qt includes.
function(pindle_core_part name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPENDS" ${ARGN})
  pindle_check_qt_free(${CMAKE_CURRENT_SOURCE_DIR})
  set(dirs ${PINDLE_QT_FREE_DIRS} ${CMAKE_CURRENT_SOURCE_DIR})
  list(REMOVE_DUPLICATES dirs)
  set(PINDLE_QT_FREE_DIRS ${dirs} CACHE INTERNAL "")
  add_library(${name} STATIC ${P_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${PINDLE_WARNINGS})
  if(P_DEPENDS)
    target_link_libraries(${name} PUBLIC ${P_DEPENDS})
  endif()
  if(PINDLE_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  endif()
  set(PINDLE_CORE_PARTS ${PINDLE_CORE_PARTS} ${name} CACHE INTERNAL "")
endfunction()

# pindle_ui_part(NAME SOURCES... [DEPENDS parts...]): a Qt static library of pindle_ui.
function(pindle_ui_part name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${P_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${PINDLE_WARNINGS})
  target_link_libraries(${name} PUBLIC Qt6::Widgets ${P_DEPENDS})
  set(PINDLE_UI_PARTS ${PINDLE_UI_PARTS} ${name} CACHE INTERNAL "")
endfunction()

# pindle_add_folders(FOLDER...): add_subdirectory for each, stopping with a clear message when one is
# missing, rather than building a smaller program.
function(pindle_add_folders)
  foreach(folder ${ARGN})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/CMakeLists.txt)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/CMakeLists.txt is missing: "
        "the build needs every folder it names.")
    endif()
    add_subdirectory(${folder})
  endforeach()
endfunction()

# pindle_add_test(NAME SOURCES... LIBS... [GUI [OWN_MAIN]]): one GoogleTest program; GUI tests run
# offscreen and use the shared QApplication main unless they bring their own.
function(pindle_add_test name)
  cmake_parse_arguments(T "GUI;OWN_MAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${PINDLE_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock)
  if(T_GUI)
    # Discovery runs the program too, outside ctest's environment: give it the offscreen platform there.
    set_target_properties(${name} PROPERTIES
      CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;QT_QPA_PLATFORM=offscreen")
    if(NOT T_OWN_MAIN)
      target_link_libraries(${name} PRIVATE pindle_gui_test_main)
    endif()
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    PINDLE_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
    PINDLE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# pindle_add_benchmark(NAME SOURCES... LIBS...)
function(pindle_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_compile_options(${name} PRIVATE ${PINDLE_WARNINGS})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()

# pindle_add_fuzzer(NAME SOURCES... LIBS...)
function(pindle_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()
