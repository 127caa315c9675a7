# Run by CPack on the files of the package before it packs them: every ELF file is stripped of its
# symbols and of the .comment and .note sections, with the options of Debian's dh_strip for programs.
if(NOT CPACK_PINDLE_STRIP)
  message(FATAL_ERROR "no strip tool: the package would carry the programs' symbols")
endif()
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file ${files})
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(
      COMMAND "${CPACK_PINDLE_STRIP}" --remove-section=.comment --remove-section=.note "${file}"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
