# The Debian package: `make package`. Shared-library dependencies come from dpkg-shlibdeps; the
# ODBC drivers are recommended, since SQLite files open without them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quillet authors")
set(CPACK_PACKAGE_CONTACT "The Quillet authors <quillet@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read-only desktop browser for databases")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillet opens SQLite files and any database with an ODBC driver (PostgreSQL, MariaDB, ...)\n\
and shows its tables, views and SQL results without ever changing them. It opens .udl data\n\
link files from the file manager, and its viewer plug-ins show binary and long text cells.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads these as plug-ins, which dpkg-shlibdeps cannot see: the toolbar and tree icons are
# SVG drawings.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "odbc-postgresql, odbc-mariadb, libsqliteodbc")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
include(CPack)
