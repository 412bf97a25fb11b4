# Packages, made by `cmake --workflow --preset package`: a Debian package of the Linux
# program and a .zip of the Windows one, both from this build tree. The Windows program is
# cross-built here as a nested project (SKINREMAP_PACKAGE_WINDOWS); each generator packages
# its own tree (cmake/cpack_trees.cmake.in).

option(SKINREMAP_PACKAGE_WINDOWS "Cross-build the Windows program for the .zip package" OFF)

set(CPACK_PACKAGE_NAME skinremap)
set(CPACK_PACKAGE_VENDOR "The skinremap developers")
set(CPACK_PACKAGE_CONTACT "The skinremap developers <skinremap@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converts the 24-bit skins of a folder to the indices of a game palette")
set(CPACK_PACKAGE_DESCRIPTION
    "skinremap loads the game palette skins.ipl of a folder and converts every 24-bit BMP \
there into an 8-bit bitmap of the nearest palette indices, in place or into another folder. \
It shows its progress in a small window, or on the console without a display.")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # libfltk and the C++ run-time, as linked

set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_GENERATOR DEB ZIP)

if(SKINREMAP_PACKAGE_WINDOWS)
    include(ExternalProject)
    set(windows_tree ${PROJECT_BINARY_DIR}/windows-x64)
    ExternalProject_Add(windows_program
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${windows_tree}
        CMAKE_ARGS
            -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
            -DCMAKE_BUILD_TYPE=Release
            -DSKINREMAP_TESTS=OFF
            -DSKINREMAP_BENCH=OFF
            -DSKINREMAP_WERROR=${SKINREMAP_WERROR}
        BUILD_COMMAND ${CMAKE_COMMAND} --build ${windows_tree} --target skinremap
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
    )
    set(windows_version ${PROJECT_VERSION})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/cpack_trees.cmake.in
                   ${PROJECT_BINARY_DIR}/cpack_trees.cmake @ONLY)
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/cpack_trees.cmake)
endif()

include(CPack)
