# The version block: built at build time from the project version and linked into `pindle`,
# where it lies in a section of its own. pindle_version_block builds the bytes (also for tests).
add_library(pindle_version_block STATIC
  ${CMAKE_CURRENT_LIST_DIR}/VersionBlock.h ${CMAKE_CURRENT_LIST_DIR}/VersionBlock.cpp)
target_include_directories(pindle_version_block PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(pindle_version_block PRIVATE ${PINDLE_WARNINGS})

add_executable(gen_version_block ${CMAKE_CURRENT_LIST_DIR}/gen_version_block.cpp)
target_compile_options(gen_version_block PRIVATE ${PINDLE_WARNINGS})
target_link_libraries(gen_version_block PRIVATE pindle_version_block)

set(PINDLE_VERSION_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/PindleVersion.cpp)
add_custom_command(
  OUTPUT ${PINDLE_VERSION_SOURCE}
  COMMAND gen_version_block ${PINDLE_VERSION_SOURCE} ${PROJECT_VERSION}
  DEPENDS gen_version_block
  COMMENT "Building the version block ${PROJECT_VERSION}"
  VERBATIM)
add_library(pindle_version OBJECT ${PINDLE_VERSION_SOURCE})
