# Warnings are errors on our own targets only.
function(korvex_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# Rooms are floors: a target sees its own room and the rooms of the targets it links,
# nothing else, so an include that runs back up the floors fails to compile. Each room
# is offered through a folder of its own in the build tree that holds one link to the
# room's sources; includes keep naming the room ("link/comm_device.h").
function(korvex_room_includes target)
    file(RELATIVE_PATH room ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    string(REGEX REPLACE "/.*" "" room "${room}")
    set(dir ${PROJECT_BINARY_DIR}/rooms/${room})
    if(NOT EXISTS ${dir}/${room})
        file(MAKE_DIRECTORY ${dir})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${room} ${dir}/${room} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL INTERFACE_LIBRARY)
        target_include_directories(${target} INTERFACE ${dir})
    else()
        target_include_directories(${target} PUBLIC ${dir})
    endif()
endfunction()

# A toolkit-free library of one room.
function(korvex_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    korvex_room_includes(${name})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    korvex_warnings(${name})
endfunction()

# A GoogleTest program, built as every test is.
function(korvex_test_program name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} korvex_test_support GTest::gtest GTest::gtest_main)
    korvex_warnings(${name})
    # A test's own code gains nothing from full optimisation and costs twice the
    # compile time with it; the rooms it tests keep the tree's flags. Under the
    # sanitizers it is not optimised at all: their checks on every line of the
    # assertions' expansions cost the most to optimise. Line tables stay for the
    # sanitizers' reports. In a unity build a test file is included into one unit
    # with the others, where GCC would warn of every fixture kept in the file's
    # unnamed namespace.
    target_compile_options(${name} PRIVATE $<IF:$<BOOL:${KORVEX_SANITIZE}>,-O0,-Og> -g1
        $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
endfunction()

# Whether linking these targets brings in Qt, directly or through what they link.
function(korvex_links_qt result)
    set(queue ${ARGN})
    set(seen "")
    set(found OFF)
    while(queue AND NOT found)
        list(POP_FRONT queue item)
        if(item IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${item})
        if(item MATCHES "^Qt6::")
            set(found ON)
        elseif(TARGET ${item})
            get_target_property(links ${item} INTERFACE_LINK_LIBRARIES)
            if(links)
                list(APPEND queue ${links})
            endif()
        endif()
    endwhile()
    set(${result} ${found} PARENT_SCOPE)
endfunction()

# GoogleTest and the standard headers the tests read most, compiled once per tree into
# a header every test without Qt reuses. The tests with Qt read their own: Qt's test
# library defines a macro per test folder, which one shared header cannot match.
function(korvex_test_pch)
    korvex_test_program(korvex_test_pch SOURCES ${PROJECT_SOURCE_DIR}/tests/support/test_pch.cpp)
    target_precompile_headers(korvex_test_pch PRIVATE <gtest/gtest.h> <algorithm> <chrono>
        <filesystem> <fstream> <functional> <memory> <sstream> <string> <vector>)
endfunction()

# A GoogleTest program registered with ctest under a label (unit, link, window, usb, e2e);
# WRAPPER is a command that starts it, given its path as the last argument (umockdev's
# preload for the usb ones, the simulator's runner for the Windows link test).
function(korvex_test name)
    cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;DEPS;WRAPPER" ${ARGN})
    korvex_test_program(${name} SOURCES ${ARG_SOURCES} DEPS ${ARG_DEPS})
    korvex_links_qt(qt ${ARG_DEPS})
    if(NOT qt)
        target_precompile_headers(${name} REUSE_FROM korvex_test_pch)
    endif()
    if(NOT ARG_LABEL)
        set(ARG_LABEL unit)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    if(ARG_WRAPPER)
        add_test(NAME ${name} COMMAND ${ARG_WRAPPER} $<TARGET_FILE:${name}>)
    else()
        # By target name, so a cross build's emulator runs it.
        add_test(NAME ${name} COMMAND ${name})
    endif()
    # Labelled by tier and by room (the folder under tests/): ctest -L unit, ctest -L room-link.
    file(RELATIVE_PATH room ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
    string(REGEX REPLACE "/.*" "" room "${room}")
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL};room-${room}" TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# A library of Qt windows or widgets; .ui layouts come from resources/forms. Each
# window's file includes its moc output at its end, so a unity build compiles that
# with the window instead of reading Qt's headers once more for it.
function(korvex_gui_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC ON
        AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/resources/forms)
    korvex_room_includes(${name})
    # Window tests reach a window's controls through its generated form class.
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/include)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Qt6::Widgets)
    korvex_warnings(${name})
endfunction()

# A window test: real widgets on the offscreen platform, scripted dialogs. TestApp()
# (tests/support/qt_test_app.h) gives the test program its one QApplication.
function(korvex_window_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    korvex_test(${name} LABEL window
        SOURCES ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/qt_test_app.cpp
        DEPS ${ARG_DEPS} Qt6::Widgets Qt6::Test)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
endfunction()

# A Google Benchmark program; benchmarks share the fakes and the temporary folder with
# the tests, through the fakes library.
function(korvex_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} korvex_fakes benchmark::benchmark)
    korvex_warnings(${name})
endfunction()
