# One INTERFACE target carries the language standard, the warnings and Qt's hardening defines.
add_library(velloran_options INTERFACE)
target_compile_features(velloran_options INTERFACE cxx_std_20)
target_compile_options(velloran_options INTERFACE -Wall -Wextra)
if(VELLORAN_WERROR)
    target_compile_options(velloran_options INTERFACE -Werror)
endif()
target_compile_definitions(velloran_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_USE_QSTRINGBUILDER
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_KEYWORDS)
if(VELLORAN_SANITIZE)
    target_compile_options(velloran_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(velloran_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds every subfolder of the current folder that has a CMakeLists.txt, so that each
# area's owner adds files without touching a shared list.
function(velloran_add_existing_subdirectories)
    foreach(dir IN LISTS ARGN)
        if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
            add_subdirectory(${dir})
        endif()
    endforeach()
endfunction()
