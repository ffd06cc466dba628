# The sanitizer build: AddressSanitizer and UndefinedBehaviorSanitizer on
# every target of the project, and libFuzzer targets where the compiler has
# libFuzzer. Include it before any target is created, and call
# sanitizer_finish() after the last one.

option(SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
set(FUZZING OFF)

if(SANITIZE)
    if(MSVC)
        message(FATAL_ERROR "SANITIZE=ON needs clang or GCC")
    endif()
    # Any report ends the process with a failure, so a test cannot pass over it.
    set(sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all)
    add_compile_options(${sanitize_flags} -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS)
    add_link_options(${sanitize_flags})

    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=fuzzer)
    check_cxx_source_compiles([[
        #include <cstddef>
        #include <cstdint>
        extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *, std::size_t) { return 0; }
    ]] HAVE_LIBFUZZER)
    unset(CMAKE_REQUIRED_LINK_OPTIONS)
    if(HAVE_LIBFUZZER)
        set(FUZZING ON)
        # Coverage feedback from all code, not just the fuzz targets' own.
        add_compile_options(-fsanitize=fuzzer-no-link)
    endif()

    # The runtime options and the leak suppressions are built into every
    # program, so ctest, test discovery and a program run by hand all get them.
    add_library(sanitizer_options OBJECT ${CMAKE_CURRENT_LIST_DIR}/sanitizer_options.cpp)
    set_target_properties(sanitizer_options PROPERTIES AUTOMOC OFF)
    target_compile_definitions(sanitizer_options PRIVATE
        LSAN_SUPPRESSIONS="${PROJECT_SOURCE_DIR}/tests/sanitizers/lsan.supp")
endif()

# The fast fuzzing build: the libFuzzer targets without the sanitizers, many
# times faster, for runs of millions of inputs beside the sanitizer build's
# deeper ones (scripts/fuzz --fast).
option(FUZZ_FAST "Build the libFuzzer targets without the sanitizers" OFF)
if(FUZZ_FAST)
    if(SANITIZE OR MSVC)
        message(FATAL_ERROR "FUZZ_FAST=ON needs clang, without SANITIZE")
    endif()
    set(FUZZING ON)
    add_compile_options(-fsanitize=fuzzer-no-link)
    # Programs that are no fuzz targets, such as the table maker, link the
    # coverage runtime too.
    add_link_options(-fsanitize=fuzzer-no-link)
endif()

# The thread sanitizer build: ThreadSanitizer on every target, for the
# checker's threads. It cannot be combined with AddressSanitizer.
option(SANITIZE_THREAD "Build everything with ThreadSanitizer" OFF)
if(SANITIZE_THREAD)
    if(SANITIZE OR MSVC)
        message(FATAL_ERROR "SANITIZE_THREAD=ON needs clang or GCC, without SANITIZE")
    endif()
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
    add_library(sanitizer_options OBJECT ${CMAKE_CURRENT_LIST_DIR}/thread_sanitizer_options.cpp)
    set_target_properties(sanitizer_options PROPERTIES AUTOMOC OFF)
endif()

# Links the runtime options into every program defined so far, in every folder.
function(sanitizer_finish)
    if(NOT SANITIZE AND NOT SANITIZE_THREAD)
        return()
    endif()
    set(folders ${PROJECT_SOURCE_DIR})
    while(folders)
        list(POP_FRONT folders folder)
        get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(type STREQUAL "EXECUTABLE")
                target_link_libraries(${target} PRIVATE sanitizer_options)
            endif()
        endforeach()
        get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
        list(APPEND folders ${subfolders})
    endwhile()
endfunction()
