# The black-box table once more, with the Windows programs under wine64: the
# x86_64 Windows build (see cmake/WindowsBuilds.cmake), with the test double
# as OSTREL.dll beside them, in a Wine prefix made once per test run by the
# fixture wine_prefix. Registered also when Wine or the Windows build is
# missing; the tests then report skipped.
find_program(WINE64_PROGRAM wine64 HINTS /usr/lib/wine /usr/lib64/wine /opt/wine-stable/bin)
if(WINE64_PROGRAM)
    get_filename_component(wineFolder ${WINE64_PROGRAM} DIRECTORY)
    find_program(WINESERVER_PROGRAM wineserver HINTS ${wineFolder} NO_DEFAULT_PATH)
    find_program(WINESERVER_PROGRAM wineserver)
endif()

set(winePrefix ${CMAKE_CURRENT_BINARY_DIR}/wine-prefix)
# The unprivileged user's prefix lies in /tmp, which that user can reach
# wherever the build folder is (a clone under /root is beyond it); one for
# each build folder.
string(MD5 buildFolderHash "${PROJECT_BINARY_DIR}")
string(SUBSTRING ${buildFolderHash} 0 12 buildFolderHash)
set(unprivilegedWinePrefix /tmp/irtools-wine-unprivileged-${buildFolderHash})
foreach(action IN ITEMS setup cleanup)
    add_test(NAME wine.prefix_${action}
        COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine_prefix.sh ${action}
                "${WINE64_PROGRAM}" "${WINESERVER_PROGRAM}" ${winePrefix} ${unprivilegedWinePrefix})
endforeach()
set_tests_properties(wine.prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix SKIP_RETURN_CODE 77)
set_tests_properties(wine.prefix_cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix SKIP_RETURN_CODE 77)

if(WINDOWS_X86_64_TREE)
    set(windowsPrograms ${WINDOWS_X86_64_TREE}/bin)
    set(windowsDoubles ${WINDOWS_X86_64_TREE}/tests/double)
    set(shareHolder ${WINDOWS_X86_64_TREE}/tests/share_holder/hold_unshared.exe)
    add_dependencies(blackbox_test windows-x86_64)
endif()
gtest_discover_tests(blackbox_test
    TEST_PREFIX wine.
    EXTRA_ARGS
        "--wine=${WINE64_PROGRAM}" --wine-prefix=${winePrefix}
        --wine-unprivileged-prefix=${unprivilegedWinePrefix}
        "--programs=${windowsPrograms}" "--doubles=${windowsDoubles}"
        "--share-holder=${shareHolder}"
    PROPERTIES FIXTURES_REQUIRED wine_prefix SKIP_RETURN_CODE 77
    DISCOVERY_MODE PRE_TEST)
