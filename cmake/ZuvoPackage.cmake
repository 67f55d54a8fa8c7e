# Installing and packaging. An installed copy has the build folder's layout, so the phone finds
# its own files beside its program wherever it lands (a prefix, /usr, an unpacked package):
#   bin/           the phone and the tools users run
#   lib/zuvo/      plug-ins (the telephony library, the browser window, the USB handset driver,
#                  the desktop address book reader)
#   share/zuvo/    language bundles (ResDll)
#   share/applications, share/metainfo, share/icons/hicolor   the desktop's entry, description, icon

foreach(program zuvo zuvo-reg zuvo-ctl zuvo-speeddial)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION bin COMPONENT phone)
    endif()
endforeach()
foreach(plugin zuvo_engine zuvo_browser zuvo_handset_evdev zuvo_address_book)
    if(TARGET ${plugin})
        install(TARGETS ${plugin} LIBRARY DESTINATION lib/zuvo COMPONENT phone)
    endif()
endforeach()

# `cpack` in the build folder makes zuvo_<version>_<arch>.deb. Library dependencies come from
# dpkg-shlibdeps over every program and plug-in; the packages named here are those the phone
# runs or needs without linking them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zuvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Zuvo)
set(CPACK_PACKAGE_CONTACT "Zuvo <support@zuvo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet phone for international calls")
set(CPACK_PACKAGE_DESCRIPTION "Zuvo is a small handset-shaped soft phone: sign in with your \
account number and PIN, dial international numbers and talk through your speakers and microphone. \
It opens tel:, sip:, sips: and callto: links, works with USB phone handsets and can be driven by \
scripts (zuvo-ctl).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# pactl follows sound devices plugged in and out; desktop-file-utils keeps the desktop's list of
# link handlers up to date for desktops without a service of their own.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio-utils, desktop-file-utils")
include(CPack)
