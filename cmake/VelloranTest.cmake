include(GoogleTest)
find_package(GTest REQUIRED)

# add_velloran_test(NAME SOURCES... [LIBS libs...] [GUI])
# GUI tests run with the offscreen platform; every test main creates a QApplication.
function(add_velloran_test name)
    cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE velloran_test_support ${ARG_LIBS} GTest::gmock)
    # One variable per property: a list value would be spread over the property arguments,
    # dropping every variable after the first and the time-out with them.
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "VELLORAN_SHARED_DIR=${VELLORAN_SHARED_DIR}"
            ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen"
            TIMEOUT 300
        DISCOVERY_MODE PRE_TEST)
endfunction()

# A test executable made of every test_*.cpp in the current folder.
function(add_velloran_folder_test name)
    cmake_parse_arguments(ARG "GUI" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    if(sources)
        if(ARG_GUI)
            add_velloran_test(${name} SOURCES ${sources} LIBS ${ARG_LIBS} GUI)
        else()
            add_velloran_test(${name} SOURCES ${sources} LIBS ${ARG_LIBS})
        endif()
    endif()
endfunction()
