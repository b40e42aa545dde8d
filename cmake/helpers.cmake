# Project-wide warning and sanitizer flags, and helpers that keep each folder's CMakeLists short.

add_library(chat_options INTERFACE)
target_compile_options(chat_options INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
if(CHAT_WERROR)
    target_compile_options(chat_options INTERFACE -Werror)
endif()
target_include_directories(chat_options INTERFACE ${PROJECT_SOURCE_DIR}/src)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # libstdc++ 12 hides std::expected from compilers that announce concepts older than C++20's
    # final revision; clang 16 implements what <expected> uses but still announces 201907.
    target_compile_options(chat_options INTERFACE -U__cpp_concepts -D__cpp_concepts=202002L)
endif()
if(CHAT_SANITIZE)
    target_compile_options(chat_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                  -fno-sanitize-recover=undefined)
    target_link_options(chat_options INTERFACE -fsanitize=address,undefined)
endif()
if(CHAT_FUZZ)
    target_compile_options(chat_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# chat_library(NAME SOURCES ... DEPS ...): a static library of one folder.
function(chat_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC chat_options ${ARG_DEPS})
endfunction()

# chat_test(NAME SOURCES ... DEPS ...): one GoogleTest binary, registered with CTest.
function(chat_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE chat_options ${ARG_DEPS} GTest::gmock GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "RC_PARAMS=max_success=100")
endfunction()

# chat_fuzz(NAME SOURCES ... DEPS ... [CORPUS dir] [DICT file]): a libFuzzer target, built only
# with CHAT_FUZZ. CI runs every target listed in <build>/fuzz_targets.txt, seeded from CORPUS.
function(chat_fuzz name)
    cmake_parse_arguments(ARG "" "CORPUS;DICT" "SOURCES;DEPS" ${ARGN})
    if(NOT CHAT_FUZZ)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE chat_options ${ARG_DEPS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(corpus "-")
    set(dict "-")
    if(ARG_CORPUS)
        set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_CORPUS})
    endif()
    if(ARG_DICT)
        set(dict ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DICT})
    endif()
    set_property(GLOBAL APPEND PROPERTY CHAT_FUZZ_MANIFEST "$<TARGET_FILE:${name}> ${corpus} ${dict}")
endfunction()

# chat_bench(NAME SOURCES ... DEPS ...): a Google Benchmark program.
function(chat_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    if(NOT CHAT_BENCH)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE chat_options ${ARG_DEPS} benchmark::benchmark)
endfunction()
