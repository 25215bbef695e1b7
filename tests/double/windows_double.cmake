# windows_double(<target> <folder> [OMIT_SELECT] [OMIT_PLAY] [OMIT_RECORD]):
# makes <target> the double as <folder>/OSTREL.dll, exporting the operations
# it has at the vendor's ordinals through a module-definition file of its own.
function(windows_double target folder)
    # On 32-bit Windows the symbols of __stdcall functions carry the size of
    # their arguments; --kill-at exports them without it.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(selectExport "    SelectBlasterPort@4 @9")
        set(playExport "    PlayFromFile@4 @5")
        set(recordExport "    RecordToFile@8 @4")
        target_link_options(${target} PRIVATE LINKER:--kill-at)
    else()
        set(selectExport "    SelectBlasterPort @9")
        set(playExport "    PlayFromFile @5")
        set(recordExport "    RecordToFile @4")
    endif()
    foreach(omitted IN ITEMS SELECT PLAY RECORD)
        if(OMIT_${omitted} IN_LIST ARGN)
            string(TOLOWER ${omitted} operation)
            set(${operation}Export "")
        endif()
    endforeach()
    set(definition ${CMAKE_CURRENT_BINARY_DIR}/${folder}/ostrel_double.def)
    configure_file(ostrel_double.def.in ${definition} @ONLY)
    target_sources(${target} PRIVATE ${definition})
    # NtQueryObject tells the access a handle was opened with.
    target_link_libraries(${target} PRIVATE ntdll)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME OSTREL
        PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${folder}
        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${folder})
endfunction()
