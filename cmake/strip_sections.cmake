# Run by CPack once the packages' files are staged and stripped: removes the sections stripping
# keeps but an installed program never reads (the compilers' .comment and .note).
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(file ${staged})
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")  # ELF
        execute_process(COMMAND ${CPACK_TARNVIEW_STRIP} --remove-section=.comment
                                --remove-section=.note "${file}"
                        COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()
