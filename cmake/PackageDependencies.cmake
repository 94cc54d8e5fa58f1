# Read by cpack before it builds the Debian package (CPACK_PROJECT_CONFIG_FILE): the package's
# Depends from the shared libraries the core programs need, and its Recommends from those the
# optional backends' modules need beyond them.

cmake_policy(SET CMP0057 NEW) # if(IN_LIST)
include(${CPACK_KESTRIX_PACKAGED_FILES})
find_program(KESTRIX_SHLIBDEPS dpkg-shlibdeps REQUIRED)

# The dependency list dpkg-shlibdeps gives for `files`, as "package (>= version), ...".
function(kestrix_shlibdeps files result)
  set(work ${CPACK_PACKAGE_DIRECTORY}/_shlibdeps)
  # dpkg-shlibdeps wants to run beside a debian/control; an empty one will do.
  file(MAKE_DIRECTORY ${work}/debian)
  file(WRITE ${work}/debian/control "")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${KESTRIX_SHLIBDEPS} -O --ignore-missing-info ${files}
                  WORKING_DIRECTORY ${work}
                  OUTPUT_VARIABLE output
                  ERROR_VARIABLE errors
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-shlibdeps failed: ${errors}")
  endif()
  string(REGEX REPLACE "^.*shlibs:Depends=([^\n]*).*$" "\\1" list "${output}")
  set(${result} "${list}" PARENT_SCOPE)
endfunction()

if(CPACK_GENERATOR STREQUAL "DEB")
  kestrix_shlibdeps("${KESTRIX_CORE_FILES}" core)
  kestrix_shlibdeps("${KESTRIX_MODULE_FILES}" modules)
  # What the modules need and the core does not: compared by package name.
  string(REPLACE ", " ";" coreList "${core}")
  string(REPLACE ", " ";" moduleList "${modules}")
  set(corePackages)
  foreach(entry IN LISTS coreList)
    string(REGEX REPLACE " .*$" "" name "${entry}")
    list(APPEND corePackages ${name})
  endforeach()
  set(recommends)
  foreach(entry IN LISTS moduleList)
    string(REGEX REPLACE " .*$" "" name "${entry}")
    if(NOT name IN_LIST corePackages)
      list(APPEND recommends "${entry}")
    endif()
  endforeach()
  # Qt's Wayland platform plugin: without it a Wayland session runs Kestrix through Xwayland.
  list(APPEND recommends "qt6-wayland")
  # Qt's own texts (standard buttons, the command line's) in the user's language.
  list(APPEND recommends "qt6-translations-l10n")
  string(REPLACE ";" ", " recommends "${recommends}")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${core}")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${recommends}")
endif()
