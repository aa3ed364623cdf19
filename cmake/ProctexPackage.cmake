# What `cmake --install` puts under the prefix: the library and its header, a
# CMake package (find_package(proctex) gives proctex::proctex), a pkg-config
# file, the Python module and the example manifest.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(PROCTEX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/proctex
    CACHE STRING "Where the CMake package files go, relative to the prefix")
set(PROCTEX_INSTALL_PYTHONDIR ${CMAKE_INSTALL_DATADIR}/proctex/python
    CACHE STRING "Where the proctex Python package goes (add it to PYTHONPATH), relative to the prefix")

install(TARGETS proctex EXPORT proctexTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/proctex.h include/proctex_settings.h include/proctex_table.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT proctexTargets NAMESPACE proctex:: DESTINATION ${PROCTEX_INSTALL_CMAKEDIR})
configure_package_config_file(cmake/proctexConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/proctexConfig.cmake
    INSTALL_DESTINATION ${PROCTEX_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/proctexConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/proctexConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/proctexConfigVersion.cmake
        DESTINATION ${PROCTEX_INSTALL_CMAKEDIR})

# proctex.pc finds the prefix from its own place, so the tree can be moved.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(PROCTEX_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
    set(PROCTEX_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
    set(PROCTEX_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
    file(RELATIVE_PATH up "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
    string(REGEX REPLACE "/$" "" up "${up}")
    set(PROCTEX_PC_PREFIX "\${pcfiledir}/${up}")
    set(PROCTEX_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
    set(PROCTEX_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(cmake/proctex.pc.in ${CMAKE_CURRENT_BINARY_DIR}/proctex.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/proctex.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(DIRECTORY python/proctex DESTINATION ${PROCTEX_INSTALL_PYTHONDIR}
        FILES_MATCHING PATTERN "*.py" PATTERN "__pycache__" EXCLUDE)
install(FILES examples/presets.json examples/twenty-bricks.json DESTINATION ${CMAKE_INSTALL_DATADIR}/proctex/examples)

# Licence, notes and release history, where Debian keeps them: the release
# history also as the package's own changelog, compressed.
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
install(FILES README.md CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
string(TIMESTAMP release_date "%a, %d %b %Y 00:00:00 +0000" UTC)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian-changelog/changelog
    "proctex (${PROJECT_VERSION}) stable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}: see /usr/share/doc/proctex/CHANGELOG.md.\n\n"
    " -- the proctex developers <proctex@users.noreply.invalid>  ${release_date}\n")
# gzip -n: no time stamp in the file, so equal sources give equal packages.
execute_process(COMMAND gzip -9nc changelog
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/debian-changelog
    OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/debian-changelog/changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian-changelog/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# One package holds the tool, the library and its development files.
install(FILES cmake/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME proctex)

# `make package-deb`: the Debian package, from the `package` preset (prefix
# /usr, Python package in Debian's dist-packages).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME proctex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the proctex developers")
set(CPACK_PACKAGE_CONTACT "the proctex developers <proctex@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "procedural PBR material textures")
# The summary is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "proctex generates seamless material maps (diffuse, normal, specular,\n"
    "roughness, metallic and more) from seeded noise, patterns and overlays.\n"
    "This package holds the proctex command (one material, batches from a\n"
    "JSON manifest, contact sheets, a local studio in the browser), the\n"
    "shared library with its C header, pkg-config and CMake files, and the\n"
    "Python binding.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies from the libraries the files link (dpkg-shlibdeps). The
# library's shlibs file and dpkg's ldconfig trigger are our own: CPack's
# would call ldconfig from maintainer scripts, which Debian no longer does.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(deb_control ${CMAKE_CURRENT_BINARY_DIR}/deb-control)
file(WRITE ${deb_control}/shlibs
    "libproctex 0 proctex (>= ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})\n")
file(WRITE ${deb_control}/triggers "activate-noawait ldconfig\n")
# Given, these keep CPack from writing scripts that call ldconfig.
foreach(script postinst postrm)
    file(WRITE ${deb_control}/${script}
        "#!/bin/sh\nset -e\n# ldconfig runs from dpkg's trigger (see triggers).\nexit 0\n")
    file(CHMOD ${deb_control}/${script} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
        GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${deb_control}/shlibs ${deb_control}/triggers
    ${deb_control}/postinst ${deb_control}/postrm)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-numpy")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
