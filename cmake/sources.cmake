# The game's sources, for the desktop builds (CMakeLists.txt) and the browser's (web/): the
# shared modules, and the platform seam's files for the platform given, one of x11, win32, web.
# Sets VELMORA_SOURCES (main.cpp apart, as VELMORA_MAIN) from the folder VELMORA_GAME_DIR.
function(velmora_sources platform)
    set(dir ${VELMORA_GAME_DIR})
    file(GLOB shared CONFIGURE_DEPENDS
        ${dir}/app/*.cpp ${dir}/game/*.cpp ${dir}/gfx/*.cpp ${dir}/interface/*.cpp)
    list(FILTER shared EXCLUDE REGEX "/app/(main|platform_[a-z0-9]+|png_decoder)\\.cpp$")
    if(platform STREQUAL "web")
        set(seam ${dir}/app/platform_web.cpp)
    else()
        # libpng decodes the pictures on Windows; the Linux build has it for the unit tests.
        set(seam ${dir}/app/platform_desktop.cpp ${dir}/app/platform_${platform}.cpp
            ${dir}/app/png_decoder.cpp)
    endif()
    set(VELMORA_SOURCES ${shared} ${seam} PARENT_SCOPE)
    set(VELMORA_MAIN ${dir}/app/main.cpp PARENT_SCOPE)
endfunction()
