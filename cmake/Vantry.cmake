# Helpers shared by every folder of the tree.

# vantry_test(NAME [QT] SOURCES a.cpp b.cpp LIBS x y [LABELS l] [SLOW filter] [TIMEOUT s])
# QT: the main creates a QApplication (offscreen platform unless set).
# A GoogleTest executable whose main points every per-user location at a
# fresh temporary folder before any test runs.
# Cases start labelled "unit", so `ctest -L unit` is the quick run. Slow ones
# (real servers, other programs, a compositor) are labelled "peer" instead:
# the whole program with LABELS peer, or the cases matching the gtest filter
# SLOW ("Suite.*:Other.Case").
function(vantry_test name)
    cmake_parse_arguments(T "QT" "TIMEOUT;SLOW" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_QT)
        target_link_libraries(${name} PRIVATE vantry_qt_test_main ${T_LIBS})
    else()
        target_link_libraries(${name} PRIVATE vantry_test_main ${T_LIBS})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    if(NOT T_LABELS)
        set(T_LABELS unit)
    endif()
    # The source and build folders are compiled into the test support library,
    # so only plain properties are passed here.
    if(T_SLOW)
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
            TEST_FILTER "-${T_SLOW}" TEST_LIST ${name}_quick_tests
            PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
            TEST_FILTER "${T_SLOW}" TEST_LIST ${name}_slow_tests
            PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS peer)
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${name}."
            PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
    endif()
endfunction()

# vantry_fuzzer(NAME SOURCES a.cpp LIBS x [CORPUS dir])
# With FUZZ=ON a libFuzzer binary. Otherwise the same entry point is linked
# to a replay main and run as a test over the stored corpus plus a batch of
# generated inputs, so the fuzz harness keeps compiling and its findings stay fixed.
function(vantry_fuzzer name)
    cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    if(FUZZ)
        add_executable(${name} ${F_SOURCES})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE ${F_LIBS})
    else()
        add_executable(${name} ${F_SOURCES})
        target_link_libraries(${name} PRIVATE vantry_fuzz_replay ${F_LIBS})
        set(_args)
        if(F_CORPUS)
            set(_args ${CMAKE_CURRENT_SOURCE_DIR}/${F_CORPUS})
        endif()
        add_test(NAME ${name}.replay COMMAND ${name} ${_args})
        set_tests_properties(${name}.replay PROPERTIES TIMEOUT 300 LABELS fuzz)
    endif()
endfunction()

# vantry_bench(NAME SOURCES a.cpp LIBS x): a Google Benchmark program, never a test.
function(vantry_bench name)
    if(NOT VANTRY_BENCH)
        return()
    endif()
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE benchmark::benchmark ${B_LIBS})
endfunction()
