# Compile and link settings shared by every target of the project.
function(dorvak_target_options target)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                               _WIN32_WINNT=0x0601 WINVER=0x0601)
    # Statically linked so the program runs on a bare Windows machine.
    if(MSVC)
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:/W4 /WX /utf-8>)
        set_property(TARGET ${target} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
    else()
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wshadow -Werror>)
        target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
endfunction()

# A program whose entry point is wmain or wWinMain. MSVC's linker finds the
# wide entry by itself (and WIN32 picks the subsystem); GNU ld is told with
# -municode. add_executable(... WIN32 ...) already passes -mwindows there.
function(dorvak_program target)
    dorvak_target_options(${target})
    if(NOT MSVC)
        target_link_options(${target} PRIVATE -municode)
    endif()
endfunction()

# Writes the version numbers of one binary into a header its .rc includes.
function(dorvak_version_header target version original_name description)
    string(REPLACE "." ";" parts "${version}")
    list(LENGTH parts count)
    if(NOT count EQUAL 4)
        message(FATAL_ERROR "${target}: version '${version}' must have four numbers")
    endif()
    list(GET parts 0 RC_VER_1)
    list(GET parts 1 RC_VER_2)
    list(GET parts 2 RC_VER_3)
    list(GET parts 3 RC_VER_4)
    set(RC_VER_TEXT "${version}")
    set(RC_ORIGINAL_NAME "${original_name}")
    set(RC_DESCRIPTION "${description}")
    configure_file(${PROJECT_SOURCE_DIR}/res/rcversion.h.in
                   ${CMAKE_BINARY_DIR}/gen/${target}/rcversion.h @ONLY)
endfunction()

function(dorvak_resource_includes target version_target)
    target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/gen/${version_target}
                               ${CMAKE_BINARY_DIR}/gen ${PROJECT_SOURCE_DIR}/res
                               ${PROJECT_SOURCE_DIR}/src)
    # The generators do not see what a resource script includes: name it, so
    # an edited template, text or icon rebuilds every module that carries it.
    file(GLOB inputs ${PROJECT_SOURCE_DIR}/res/*)
    list(APPEND inputs ${CMAKE_BINARY_DIR}/gen/strings.rc ${CMAKE_BINARY_DIR}/gen/Dorvak.manifest
         ${CMAKE_BINARY_DIR}/gen/${version_target}/rcversion.h)
    get_target_property(sources ${target} SOURCES)
    foreach(source ${sources})
        if(source MATCHES "\\.rc$")
            set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${inputs})
        endif()
    endforeach()
endfunction()

# A resource-only DLL named TelmarRC.dll in its own folder (output_dir), so
# several versions can exist side by side for tests. rc_file is relative to
# the source tree, or a generated script's full path.
function(dorvak_resource_library target version output_dir rc_file)
    dorvak_version_header(${target} ${version} "TelmarRC.dll" "MERU shared resources")
    get_filename_component(script ${rc_file} ABSOLUTE BASE_DIR ${PROJECT_SOURCE_DIR})
    add_library(${target} SHARED ${script})
    set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C PREFIX "" OUTPUT_NAME TelmarRC
                          RUNTIME_OUTPUT_DIRECTORY ${output_dir} ARCHIVE_OUTPUT_DIRECTORY ${output_dir})
    dorvak_resource_includes(${target} ${target})
    if(MSVC)
        target_link_options(${target} PRIVATE /NOENTRY)
    else()
        target_link_options(${target} PRIVATE -nostdlib -Wl,--entry=0 -s)
    endif()
endfunction()
