# Installation (make install) and the Debian package (make package).
#
# The layout under the prefix:
#   bin/kszw, bin/kszw-cli
#   share/applications/kszw.desktop                          the menu entry, opening *.ksk files
#   share/mime/packages/kszw.xml                             the MIME type application/x-kszw-ksk
#   share/icons/hicolor/scalable/apps/kszw.svg               the program's icon
#   share/icons/hicolor/scalable/mimetypes/application-x-kszw-ksk.svg   a year data file's icon
#   share/doc/kszw/                                          README.md, the user guide and its pictures
# Debian's shared-mime-info, desktop-file-utils and hicolor-icon-theme refresh their caches through
# file triggers when the package is installed or removed, so the package needs no scripts of its own.
include(GNUInstallDirs)

# Installing takes the programs as they are built: neither make install in the build folder nor
# CPack builds every target (the tests and benchmarks) first. make install and make package at the
# top build the programs before.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(KSZW_DATA_DIR ${CMAKE_SOURCE_DIR}/data)

if(TARGET kszw)
  install(TARGETS kszw RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS kszw-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${KSZW_DATA_DIR}/kszw.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KSZW_DATA_DIR}/kszw-ksk.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME kszw.xml)
install(FILES ${KSZW_DATA_DIR}/icons/kszw.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KSZW_DATA_DIR}/icons/application-x-kszw-ksk.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)

# The documentation is taken as it stands when installing (install(DIRECTORY) lists the folder
# then), so pictures added to the guide after configuring are installed too.
set(KSZW_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kszw)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${KSZW_DOC_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${KSZW_DOC_DIR}
        FILES_MATCHING PATTERN "guide.md" PATTERN "*.png"
        PATTERN ".*" EXCLUDE)

# The tests of the installation and the package install into temporary folders from this build.
if(TARGET kszw_package_tests)
  if(TARGET kszw)
    add_dependencies(kszw_package_tests kszw kszw-cli)
    target_compile_definitions(kszw_package_tests PRIVATE KSZW_HAVE_GUI=1)
  endif()
  if(TARGET kszw_ui)
    # The desktop registration of a program run from a build tree is tested here too.
    target_link_libraries(kszw_package_tests PRIVATE kszw_ui)
  endif()
  target_compile_definitions(kszw_package_tests PRIVATE
    KSZW_BUILD_DIR="${CMAKE_BINARY_DIR}"
    KSZW_CMAKE_COMMAND="${CMAKE_COMMAND}"
    KSZW_CPACK_COMMAND="${CMAKE_CPACK_COMMAND}")
endif()

# The Debian package: cpack -G DEB in the build folder (make package) writes kszw_<version>_<arch>.deb.
set(KSZW_PACKAGE_MAINTAINER "Kszw developers <kszw@localhost>" CACHE STRING
    "The maintainer named in the Debian package (name <e-mail>)")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kszw)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kszw")
set(CPACK_PACKAGE_CONTACT ${KSZW_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "General ledger for Chinese double-entry bookkeeping (岚屿穗帐务软件)")
# The long description, in lines of at most 80 columns as dpkg shows them.
set(CPACK_PACKAGE_DESCRIPTION
"Kszw keeps the books of an organisation in Chinese double-entry bookkeeping:
the chart of accounts and opening balances, vouchers entered, reviewed and
posted, month-end closing, and every ledger and balance table on screen, on
paper, as PDF or as a spreadsheet. Each accounting year of an account set is
one year data file (*.ksk). The package holds the desktop program kszw and the
command-line interface kszw-cli.

岚屿穗帐务软件：复式记帐的总帐软件。建帐（科目、期初余额），
凭证录入、审核与记帐，月末结帐，以及各种帐簿和余额表的查询、
打印、PDF 与表格输出。帐套的每个会计年度是一个帐务数据文件（*.ksk）。")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION office)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# What the programs need is named here, not only found by dpkg-shlibdeps: the Qt platform plugins
# (xcb, offscreen) and the SVG icon engine are loaded at run time and appear in no ELF header, and
# a book printed in the Song face needs a CJK font.
if(DEFINED Qt6_VERSION_MAJOR)
  set(KSZW_QT_MIN "(>= ${Qt6_VERSION_MAJOR}.${Qt6_VERSION_MINOR})")
else()
  set(KSZW_QT_MIN "(>= 6.4)")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 ${KSZW_QT_MIN}, libqt6gui6 ${KSZW_QT_MIN}, libqt6widgets6 ${KSZW_QT_MIN}, libqt6printsupport6 ${KSZW_QT_MIN}, libqt6svg6 ${KSZW_QT_MIN}, qt6-qpa-plugins ${KSZW_QT_MIN}, libsqlite3-0 (>= 3.35), libxlsxwriter4, fonts-arphic-uming | fonts-noto-cjk")
# The toolkit's own texts in Chinese, the icon theme the icons are placed in, and the MIME database
# that makes *.ksk files open with the program.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, hicolor-icon-theme, shared-mime-info")
# dpkg-shlibdeps (package dpkg-dev) adds the C and C++ runtime with their minimum versions; CPack
# needs the file utility to find the binaries it runs it on.
find_program(KSZW_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(KSZW_FILE_UTILITY file)
if(KSZW_DPKG_SHLIBDEPS AND KSZW_FILE_UTILITY)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
# The package installs the one component there is under its own name, so the list of installed
# files it leaves in the build folder (install_manifest_Unspecified.txt) is not the one of make install.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)
