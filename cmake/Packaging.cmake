# The Debian package vorn-zavario (scripts/package): the program, started
# through the launcher vorn-zavario from the product folder, the support
# tools and a desktop entry. Its library dependencies are found by
# dpkg-shlibdeps; the font and the opener of documents are named here.
set(VORN_VERSION "${PROJECT_VERSION}")

if(VORN_BUILD_APP)
  install(TARGETS SetupZAV RUNTIME DESTINATION lib/vorn-zavario)
  install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/vorn-zavario DESTINATION bin)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/vorn-zavario.desktop DESTINATION share/applications)
endif()
foreach(tool vorn-dbe vorn-align vorn-ftpget vorn-unzip dbe-setup)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION bin)
  endif()
endforeach()

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE VORN_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET)
if(NOT VORN_DEB_ARCH)
  set(VORN_DEB_ARCH amd64)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn-zavario)
set(CPACK_PACKAGE_VERSION ${VORN_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Setup VORN - TORVEL Zavario: installs and updates the ZAV module")
set(CPACK_PACKAGE_DESCRIPTION
    "Downloads and installs the database engine and the ZAV medical-reports module of TORVEL, registers its alias and aligns its archive tables; with the support tools vorn-dbe, vorn-align, vorn-ftpget, vorn-unzip and dbe-setup.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME "vorn-zavario_${VORN_VERSION}_${VORN_DEB_ARCH}.deb")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${VORN_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VORN Zavario maintainers <zavario@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)

# Packs the build into a scratch folder, unpacks it into a scratch root and
# runs the tools and the program from there. Not in the sanitizer build,
# whose programs would need the sanitizer's libraries.
if(NOT VORN_SANITIZE AND VORN_BUILD_APP)
  add_test(NAME DebianPackage
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/check-package ${CMAKE_BINARY_DIR})
  set_tests_properties(DebianPackage PROPERTIES TIMEOUT 300)
endif()

# The demo key never ships: refused by the configuration and by scripts/package.
if(NOT VORN_SANITIZE)
  add_test(NAME DemoKeyRefused COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/demo-key-refused ${CMAKE_SOURCE_DIR})
  set_tests_properties(DemoKeyRefused PROPERTIES TIMEOUT 120)
endif()
