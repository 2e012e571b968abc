# Version information (VERSIONINFO) for the Windows build's programs: the
# Explorer's Properties > Details page, and what installers, antivirus and
# support staff read from a file. Each program gets a resource script of its
# own, generated from cmake/VersionInfo.rc.in and compiled by windres
# (CMake's RC language); on other systems vorn_version_info does nothing.
#
#   vorn_version_info(TARGET "File description")
#
# The version is the project's (project(... VERSION ...) in CMakeLists.txt);
# the product, company and copyright texts are cache settings a maker may
# change.
set(VORN_PRODUCT_NAME "VORN - Zavario" CACHE STRING "Product name in the programs' version information")
set(VORN_COMPANY_NAME "VORN" CACHE STRING "Company name in the programs' version information")
set(VORN_COPYRIGHT "© 2026 VORN" CACHE STRING "Copyright line in the programs' version information")

if(WIN32)
  enable_language(RC)
endif()

# A text for a string literal of a resource script: quotes doubled, as rc wants.
function(vorn_rc_text out text)
  string(REPLACE "\"" "\"\"" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(vorn_version_info target description)
  if(NOT WIN32)
    return()
  endif()
  # Four numbers, as the binary version fields hold; missing ones are 0.
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(number "${PROJECT_VERSION_${part}}")
    if(number STREQUAL "")
      set(number 0)
    endif()
    set(VORN_RC_VERSION_${part} ${number})
  endforeach()
  set(VORN_RC_VERSION_TEXT "${PROJECT_VERSION}")
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  vorn_rc_text(VORN_RC_DESCRIPTION "${description}")
  vorn_rc_text(VORN_RC_PRODUCT "${VORN_PRODUCT_NAME}")
  vorn_rc_text(VORN_RC_COMPANY "${VORN_COMPANY_NAME}")
  vorn_rc_text(VORN_RC_COPYRIGHT "${VORN_COPYRIGHT}")
  set(VORN_RC_INTERNAL_NAME "${output_name}")
  set(VORN_RC_ORIGINAL_NAME "${output_name}${CMAKE_EXECUTABLE_SUFFIX}")
  set(script "${CMAKE_BINARY_DIR}/versioninfo/${target}.rc")
  configure_file("${CMAKE_SOURCE_DIR}/cmake/VersionInfo.rc.in" "${script}" @ONLY)
  target_sources(${target} PRIVATE "${script}")
  # The texts are UTF-8, whatever windres would take by default.
  set_source_files_properties("${script}" TARGET_DIRECTORY ${target} PROPERTIES COMPILE_OPTIONS "--codepage=65001")
endfunction()
