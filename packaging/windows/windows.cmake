# The Windows build, made by scripts/build-windows.sh: SDL, SDL_mixer with libmad, libpng and
# zlib are its own static libraries under VELMORA_WINDOWS_PREFIX, and everything is linked
# statically, so velmora.exe needs no DLL beside it. libpng stands in for SDL_image.
set(VELMORA_WINDOWS_PREFIX "" CACHE PATH "Where scripts/build-windows.sh installed the libraries")
set(ENV{PKG_CONFIG_LIBDIR} "${VELMORA_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
pkg_check_modules(WINDOWS_LIBS REQUIRED sdl SDL_mixer libpng)

# SDL's start-up wrapper (WinMain calling main) and the GUI subsystem are the game's alone: the
# unit tests are console programs with gtest's main.
set(VELMORA_SDL_MAIN -lmingw32 -lSDLmain -mwindows)
set(libs ${WINDOWS_LIBS_STATIC_LDFLAGS})
list(REMOVE_ITEM libs ${VELMORA_SDL_MAIN})
add_library(PkgConfig::SDL INTERFACE IMPORTED)
set_target_properties(PkgConfig::SDL PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${VELMORA_WINDOWS_PREFIX}/include"
    INTERFACE_COMPILE_OPTIONS "${WINDOWS_LIBS_STATIC_CFLAGS_OTHER}"
    # SDL_mixer's pkg-config file leaves out the MP3 decoder it was built with.
    INTERFACE_LINK_LIBRARIES "${libs};-lmad;-lwinmm")  # winmm: the pads
add_link_options(-static -static-libgcc -static-libstdc++)

# The game: SDL's main, no console window, and its icon and version information.
function(velmora_windows_program target)
    enable_language(RC)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/packaging/windows/velmora.rc)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/packaging/windows/velmora.rc PROPERTIES
        COMPILE_DEFINITIONS "VELMORA_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};VELMORA_VERSION_MINOR=${PROJECT_VERSION_MINOR}"
        OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/windows/velmora.ico)
    target_link_libraries(${target} PRIVATE -lmingw32 -lSDLmain)
    target_link_options(${target} PRIVATE -mwindows)
endfunction()

# gtest built here from Debian's googletest sources, for the unit tests to run under Wine.
if(VELMORA_TESTS AND EXISTS /usr/src/googletest/googletest/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
