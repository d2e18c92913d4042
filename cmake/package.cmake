# The release package: `cmake --build --preset win64 --target package` makes
# zimmo-<version>-win64.zip with the stripped program (and the gallery
# program when the build has it), a read-me in Japanese and English and the
# license, all with Windows line ends, in one folder of the same name.
# The version is the project's (project(... VERSION ...)); the executable's
# version resource takes the same one (cmake/resources.cmake).
# Included at the end of the top-level CMakeLists.txt, after every target.

if(NOT WIN32)
  return()
endif()

set(_zimmo_package_dir ${CMAKE_BINARY_DIR}/generated/package)
configure_file(${CMAKE_SOURCE_DIR}/packaging/README.txt.in ${_zimmo_package_dir}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${_zimmo_package_dir}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)

install(TARGETS zimmo RUNTIME DESTINATION . COMPONENT program)
if(TARGET zimmo_gallery)
  install(TARGETS zimmo_gallery RUNTIME DESTINATION . COMPONENT program)
endif()
install(FILES ${_zimmo_package_dir}/README.txt ${_zimmo_package_dir}/LICENSE.txt DESTINATION . COMPONENT program)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME zimmo)
set(CPACK_PACKAGE_VENDOR "the Launcher Zimmo! authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME zimmo-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Four animated characters on the desktop that open what you give them")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# Only the program's own files: the test framework's install rules stay out.
set(CPACK_COMPONENTS_ALL program)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_MONOLITHIC_INSTALL OFF)
include(CPack)
