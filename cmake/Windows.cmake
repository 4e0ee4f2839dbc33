# Setup.exe and the Windows-side test programs, for the win32 and win64 presets.
enable_language(RC)

set(DIST_DIR "${CMAKE_SOURCE_DIR}/dist/unnamed" CACHE PATH "Where the finished Setup.exe goes")

# Everything static: the program must start on a bare Windows 98 with only system DLLs.
set(WINDOWS_LINK_OPTIONS -static -static-libgcc -static-libstdc++ -mwindows -s
    -Wl,--gc-sections -Wl,--major-os-version,4 -Wl,--minor-os-version,0)
# Terminal-server aware: on a Windows 2000 terminal server GetWindowsDirectoryA otherwise gives a
# program the user's private Windows folder, where the driver is neither placed nor removed.
# Windows 98 does not read the flag.
list(APPEND WINDOWS_LINK_OPTIONS -Wl,--tsaware)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND WINDOWS_LINK_OPTIONS -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0)
    # A program is always loaded at its own base address on Windows 98, so it needs no table
    # of the places to patch when it is moved (3.5 KB).
    list(APPEND WINDOWS_LINK_OPTIONS -Wl,--disable-dynamicbase -Wl,--disable-reloc-section)
endif()
# Size: the program never asks for a type at run time (no dynamic_cast, no typeid), so its
# classes need no type information beyond what exceptions carry, which -fno-rtti still emits.
# The program has one thread, so function-local statics need no guards against a second one.
set(WINDOWS_COMPILE_OPTIONS -Os -ffunction-sections -fdata-sections -fno-rtti -fno-threadsafe-statics)
# Windows 98 runs on Pentium, Pentium MMX and K6 processors, which lack what the compiler uses
# for i686 by default (cmov): the first such instruction would stop the program there.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    list(APPEND WINDOWS_COMPILE_OPTIONS -march=i586)
endif()
foreach(library IN LISTS CORE_LIBRARIES)
    target_compile_options(${library} PRIVATE ${WINDOWS_COMPILE_OPTIONS})
endforeach()

# The win32-unit preset: the unit tests over the core compiled as above, and nothing else.
if(WINDOWS_UNIT_TESTS)
    add_subdirectory(tools/package_check)
    add_subdirectory(tests/unit/windows)
    return()
endif()

file(GLOB WINDOWS_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp app/win32/*.cpp)
add_executable(Setup WIN32 ${WINDOWS_SOURCES} resources/Setup.rc)
# The resource compiler reports none of the files the script pulls in, so name them: a changed
# picture or string table then rebuilds the resources.
file(GLOB SETUP_RESOURCE_FILES CONFIGURE_DEPENDS resources/*.bmp resources/*.ico resources/*.cur resources/*.rc
     resources/*.h)
set_source_files_properties(resources/Setup.rc PROPERTIES OBJECT_DEPENDS "${SETUP_RESOURCE_FILES}")
target_compile_options(Setup PRIVATE ${WINDOWS_COMPILE_OPTIONS})
target_compile_definitions(Setup PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0400 WINVER=0x0400 _WIN32_IE=0x0300)
# The program itself sees every folder: app/win32/ and platform/win32/ are its own.
target_include_directories(Setup PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(Setup PRIVATE setup_core advapi32 gdi32 user32 kernel32)
target_link_options(Setup PRIVATE ${WINDOWS_LINK_OPTIONS})
set_target_properties(Setup PROPERTIES OUTPUT_NAME Setup RUNTIME_OUTPUT_DIRECTORY "${DIST_DIR}")

add_subdirectory(tools/package_check)
add_subdirectory(tools/pe_audit)

if(EXISTS "${CMAKE_SOURCE_DIR}/tests/e2e/windows/CMakeLists.txt")
    add_subdirectory(tests/e2e/windows)
    add_subdirectory(tools/benchmarks/windows)
endif()
