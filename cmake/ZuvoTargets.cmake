# ZUVO_SKIP: folders (relative to the source root) left out of a developer's partial build.
set(ZUVO_SKIP "" CACHE STRING "Folders to leave out of the build")

function(zuvo_add_subdirectory dir)
    get_filename_component(abs ${dir} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${abs})
    if(NOT rel IN_LIST ZUVO_SKIP)
        add_subdirectory(${abs})
    endif()
endfunction()

# Adds every sub-folder (of the current folder, or of the folder given) that has a CMakeLists.txt.
function(zuvo_add_subfolders)
    set(parent ${CMAKE_CURRENT_SOURCE_DIR})
    if(ARGC GREATER 0)
        set(parent ${CMAKE_CURRENT_SOURCE_DIR}/${ARGV0})
    endif()
    file(GLOB dirs LIST_DIRECTORIES true ${parent}/*)
    list(SORT dirs)
    foreach(dir ${dirs})
        if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
            zuvo_add_subdirectory(${dir})
        endif()
    endforeach()
endfunction()

# Common settings for every target of our own: warnings as errors, Qt's strict string rules.
function(zuvo_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wno-error=deprecated-declarations)
    target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII
        QT_NO_CAST_TO_ASCII)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
endfunction()

# zuvo_library(name SOURCES ... LIBS ...)
function(zuvo_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    zuvo_defaults(${name})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# The web engine in tests: root may not use its sandbox, and no page may reach anything outside
# the machine (loopback goes direct; everything else to a proxy port where nobody listens, so
# not even a name is looked up).
set(ZUVO_TEST_WEB_ENGINE_ENV
    "QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--proxy-server=http://127.0.0.1:9")

# zuvo_test(name LABEL unit|ui|integration [QTEST] SOURCES ... LIBS ... [TIMEOUT s]
#           [FUNCTIONS f ...])
# GoogleTest for unit and integration tests, Qt Test for ui tests and those marked QTEST. With
# FUNCTIONS, each Qt Test function runs in a process of its own (test <name>_<f>), as the phone
# runs one window per process.
function(zuvo_test name)
    cmake_parse_arguments(ARG "QTEST" "LABEL;TIMEOUT" "SOURCES;LIBS;FUNCTIONS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    zuvo_defaults(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(ARG_LABEL STREQUAL "ui" OR ARG_QTEST)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
    else()
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set(tests)
    if(ARG_FUNCTIONS)
        foreach(function IN LISTS ARG_FUNCTIONS)
            add_test(NAME ${name}_${function} COMMAND ${name} ${function})
            list(APPEND tests ${name}_${function})
        endforeach()
    else()
        add_test(NAME ${name} COMMAND ${name})
        set(tests ${name})
    endif()
    set_tests_properties(${tests} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZUVO_BIN_DIR=${CMAKE_BINARY_DIR}/bin;ZUVO_SOURCE_DIR=${PROJECT_SOURCE_DIR};${ZUVO_TEST_WEB_ENGINE_ENV}")
endfunction()
