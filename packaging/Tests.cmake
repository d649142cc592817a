# The installed copy and the files that go with it, checked with the tools
# that desktops and Debian use. Exit 77 marks a check whose tool is missing.
set(check ${PROJECT_SOURCE_DIR}/tests/packaging/installed.sh)
add_test(NAME packaging.installed_renders COMMAND ${check} ${PROJECT_BINARY_DIR} render)
add_test(NAME packaging.installed_version COMMAND ${check} ${PROJECT_BINARY_DIR} version ${PROJECT_VERSION})
add_test(NAME packaging.installed_files COMMAND ${check} ${PROJECT_BINARY_DIR} files ${PROJECT_VERSION})
set(installs packaging.installed_renders packaging.installed_version packaging.installed_files)
# Each install writes the build's install_manifest.txt.
set_tests_properties(${installs} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 RESOURCE_LOCK tarnvik_install)
