# GoogleTest for both builds, and helpers that declare the project's tests.
#
# Native: the system's GoogleTest. Win32: built from GoogleTest's sources
# (QVA_GTEST_SOURCE_DIR, Debian's copy by default) with the cross compiler; the
# test executables then run under Wine through the emulator wrapper, in the
# prefix of the Windows version each test names.
include(GoogleTest)

if(WIN32)
    set(QVA_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
        "GoogleTest's sources, built with the cross compiler")
    if(NOT EXISTS ${QVA_GTEST_SOURCE_DIR}/CMakeLists.txt)
        message(FATAL_ERROR "no GoogleTest sources in ${QVA_GTEST_SOURCE_DIR} "
                            "(set QVA_GTEST_SOURCE_DIR)")
    endif()
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${QVA_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tools/wine-run)
else()
    find_package(GTest REQUIRED)
endif()

# qva_add_test(NAME SOURCES... LIBS... [WINDOWS win98|win2k] [TIMEOUT s]
#              [LOCKS name] [ENV NAME=value...] [SERIAL])
# One executable, each of its test cases a ctest test. WINDOWS picks the Wine
# prefix (the Windows version: win98 or win2k) the Win32 build runs it in;
# win2k is the default. LOCKS names what the tests hold exclusively while they
# run (the Messenger mailslot of a prefix, say), so ctest never runs two such
# tests at once. One name only: the discovered tests' properties travel as a
# flat list, where a second name would be taken for a property. ENV sets environment variables for the test run (for
# tools/wine-run: QVA_DLLOVERRIDES=netapi32=n, say).
function(qva_add_test name)
    cmake_parse_arguments(T "SERIAL" "WINDOWS;TIMEOUT" "SOURCES;LIBS;LOCKS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main qva_warnings)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    if(NOT T_WINDOWS)
        set(T_WINDOWS win2k)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 60)
    endif()
    set(props TIMEOUT ${T_TIMEOUT})
    if(WIN32)
        list(APPEND props ENVIRONMENT QVA_WINDOWS=${T_WINDOWS} LABELS ${T_WINDOWS})
    endif()
    list(LENGTH T_LOCKS lock_count)
    if(lock_count GREATER 1)
        message(FATAL_ERROR "${name}: one lock only, not ${T_LOCKS}")
    endif()
    if(T_LOCKS)
        list(APPEND props RESOURCE_LOCK ${T_LOCKS})
    endif()
    foreach(assignment IN LISTS T_ENV)
        string(REGEX MATCH "^([^=]+)=(.*)$" matched "${assignment}")
        list(APPEND props ENVIRONMENT_MODIFICATION "${CMAKE_MATCH_1}=set:${CMAKE_MATCH_2}")
    endforeach()
    if(T_SERIAL)
        list(APPEND props RUN_SERIAL TRUE)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ${props})
endfunction()
