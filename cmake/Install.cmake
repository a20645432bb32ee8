# The install (cmake --install, GNUInstallDirs) and the Debian package (cpack): the game and the
# master server in bin, the generated data in share/lavarumble, the desktop entry, its icon, a
# man page per program, and the master's systemd unit (installed, never enabled).

include(GNUInstallDirs)

# The game looks for its data at this path from its own folder (see platform/Paths.cpp), so an
# installed tree works wherever it is put.
set(LR_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/lavarumble)
file(RELATIVE_PATH LR_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/lavarumble)
target_compile_definitions(lr_platform PRIVATE LR_DATA_FROM_BIN="${LR_DATA_FROM_BIN}")

install(TARGETS lavarumble lavarumble-master RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${LR_ASSET_DATA_DIR} ${LR_ASSET_SOUND_DIR} DESTINATION ${LR_DATA_INSTALL_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/contrib/lavarumble.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size ${LR_ICON_SIZES})
  install(FILES ${LR_ASSET_ICON_DIR}/lavarumble-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME lavarumble.png)
endforeach()
# The man pages carry the project's version.
foreach(page lavarumble lavarumble-master)
  configure_file(${CMAKE_SOURCE_DIR}/man/${page}.6.in ${CMAKE_BINARY_DIR}/man/${page}.6 @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()

# The unit names the master by its installed path, which is known only when installing (a
# --prefix given to cmake --install, or the package's /usr): it is written then, into a folder
# of the build named after the prefix, so two installs at once never share the file.
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
  set(lr_master_bin "${CMAKE_INSTALL_BINDIR}")
else()
  set(lr_master_bin "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}")
endif()
install(CODE "
  file(READ \"${CMAKE_SOURCE_DIR}/contrib/lavarumble-master.service\" unit)
  set(from \"ExecStart=/usr/local/bin/lavarumble-master\")
  string(FIND \"\${unit}\" \"\${from}\" at)
  if(at LESS 0)
    message(FATAL_ERROR \"contrib/lavarumble-master.service has no line starting \${from}\")
  endif()
  string(REPLACE \"\${from}\" \"ExecStart=${lr_master_bin}/lavarumble-master\" unit \"\${unit}\")
  string(SHA1 key \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(staged \"${CMAKE_BINARY_DIR}/systemd/\${key}/lavarumble-master.service\")
  file(WRITE \"\${staged}\" \"\${unit}\")
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\" TYPE FILE FILES \"\${staged}\")
")

# The Debian package: lavarumble_VERSION_amd64.deb. Library dependencies come from
# dpkg-shlibdeps; the fonts are found by name through fontconfig at run time (the stand-ins of
# platform/FontRasterizer.cpp and the dialogs' sans serif), so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lavarumble)
set(CPACK_PACKAGE_VENDOR "Lava Rumble developers")
set(CPACK_PACKAGE_CONTACT "Lava Rumble developers <lavarumble@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stick-figure action game over a lava pit")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Stick-figure combatants share one arena of floating platforms and hanging\n"
       "ropes above a band of lava: shove, trip, shoot, punch, blow up or electrocute\n"
       "the others while bubbles carrying powerups drift through the arena; the last\n"
       "one standing wins the round. Two players on one keyboard, against the\n"
       "computer, or two to eight online through a master server, whose systemd unit\n"
       "(lavarumble-master.service) comes with it, not enabled.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fontconfig, fonts-dejavu-core, fonts-league-spartan")
include(CPack)

# An install into a temporary prefix, checked from another folder (tests/install).
add_test(NAME Install.IntoATemporaryPrefix
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/check_install.sh ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR}
                 ${PROJECT_VERSION})

# The package, built and checked (a few seconds): only a release build makes the package.
if(NOT LR_SANITIZE)
  add_test(NAME Install.DebianPackage COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check_deb.sh ${CMAKE_BINARY_DIR})
endif()
