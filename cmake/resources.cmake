# Resources compiled into the program: bitmaps made from the pixel-art
# sources, form resources completed by the designer tool, the icon.
# zimmo_add_resources(target) links them into a target: as a resource script
# for windres on Windows, as a generated table for the headless backend.
#
# Resource names (type BITMAP unless noted):
#   CHECKBOX                    check-box strip, 1008x18, 8-bit, 56 cells of 18x18
#   TTFONT, DEVICEFONT          16x16 font-kind glyphs, 8-bit, magenta background
#   MALLO_RGN01 .. MALLO_RGN12  character frames, 24-bit (also TIBBET_, QUON_, OSWY_)
#   PORTRAIT_MALLO              48x48 portrait in colour, 24-bit (also _TIBBET, _QUON, _OSWY)
#   PORTRAIT_MALLO_GREY         the same in grey
#   GALLERY_MALLO, GALLERY_MALLO_GREY   a walking frame and its grey (also _TIBBET), for the gallery
#   SETTINGS_BACKGROUND         settings window picture, 350x350, 8-bit
#   SETTINGS_INFO, SETTINGS_NEXT, SETTINGS_PREV, SETTINGS_CLOSE   its buttons, 24-bit
#   MAINICON (ICON)             program and tray icon, 32x32 and 16x16, 256 colours
#   forms: each NAME of ZIMMO_FORM_RESOURCES (FORM; RCDATA on Windows)
#
# Variables and targets for the rest of the build:
#   ZIMMO_ARTWORK_DIR        where the BMP and ICO files are written
#   zimmo_artwork            the target that writes them
#   ZIMMO_FORM_RESOURCES     pairs NAME;FILE of form resources, read by zimmo_add_resources
#   ZIMMO_RC_FILE            (Windows) sources that carry the resources into an executable
#   zimmo_resources_obj      (Windows) object library with the compiled resource script
#   zimmo_resources          (headless) object library with the generated table; every
#                            executable that links the headless backend needs it

# Run as a script (cmake -DTOOL=... -P resources.cmake): fails the build with a
# clear message when the host tool is missing.
if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT EXISTS "${TOOL}")
    message(FATAL_ERROR "${TOOL} is missing: build the native preset first "
                        "(cmake --preset native && cmake --build --preset native --target zimmo_pixelart), "
                        "or point ZIMMO_HOST_TOOLS_DIR at a directory that holds zimmo_pixelart")
  endif()
  return()
endif()

set(ZIMMO_RC_FILE "")
get_filename_component(_zimmo_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(ZIMMO_ARTWORK_SOURCE_DIR ${_zimmo_root}/resources)
set(ZIMMO_ARTWORK_DIR ${CMAKE_BINARY_DIR}/generated/resources)
file(MAKE_DIRECTORY ${ZIMMO_ARTWORK_DIR})
if(NOT DEFINED ZIMMO_FORM_RESOURCES)
  set(ZIMMO_FORM_RESOURCES "")
endif()

# ------------------------------------------------------------------ the tool
# The native build makes zimmo_pixelart; cross and instrumented builds take
# the one a native build left in ZIMMO_HOST_TOOLS_DIR.
if(CMAKE_CROSSCOMPILING OR ZIMMO_HOST_TOOLS_DIR)
  if(NOT ZIMMO_HOST_TOOLS_DIR)
    message(FATAL_ERROR "zimmo_pixelart: this build cannot make its own build-time tools; "
                        "build the native preset first and set ZIMMO_HOST_TOOLS_DIR to its tools directory")
  endif()
  set(ZIMMO_PIXELART ${ZIMMO_HOST_TOOLS_DIR}/zimmo_pixelart)
  set(_zimmo_pixelart_depends ${ZIMMO_PIXELART})
  if(NOT EXISTS ${ZIMMO_PIXELART})
    message(STATUS "zimmo_pixelart not yet in ${ZIMMO_HOST_TOOLS_DIR}; the build needs it there")
  endif()
  # A clear message at build time instead of make's "no rule to make target".
  add_custom_target(zimmo_pixelart_present
    COMMAND ${CMAKE_COMMAND} -DTOOL=${ZIMMO_PIXELART}
            -P ${CMAKE_CURRENT_LIST_FILE}
    VERBATIM)
else()
  file(GLOB _zimmo_pixelart_sources CONFIGURE_DEPENDS ${_zimmo_root}/tools/pixelart/*.cpp)
  add_executable(zimmo_pixelart ${_zimmo_pixelart_sources})
  target_compile_options(zimmo_pixelart PRIVATE -Wall -Wextra)
  set_target_properties(zimmo_pixelart PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  set(ZIMMO_PIXELART $<TARGET_FILE:zimmo_pixelart>)
  set(_zimmo_pixelart_depends zimmo_pixelart)
endif()

# ------------------------------------------------------------------ the pictures
set(ZIMMO_ARTWORK_OUTPUTS "")
set(ZIMMO_RESOURCE_ENTRIES "")   # NAME;TYPE;FILE triples

# _zimmo_picture(NAME SOURCE OUTPUT DEPENDS <files> ARGS <tool arguments>)
function(_zimmo_picture name source output)
  cmake_parse_arguments(P "" "GREY" "DEPENDS;ARGS" ${ARGN})
  set(outputs ${ZIMMO_ARTWORK_DIR}/${output})
  set(grey_args "")
  set(entries ${ZIMMO_RESOURCE_ENTRIES} ${name} BITMAP ${ZIMMO_ARTWORK_DIR}/${output})
  if(P_GREY)
    list(APPEND outputs ${ZIMMO_ARTWORK_DIR}/${P_GREY})
    set(grey_args --grey ${ZIMMO_ARTWORK_DIR}/${P_GREY})
    list(APPEND entries ${name}_GREY BITMAP ${ZIMMO_ARTWORK_DIR}/${P_GREY})
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${ZIMMO_PIXELART} bmp ${source} ${ZIMMO_ARTWORK_DIR}/${output} ${P_ARGS} ${grey_args}
    DEPENDS ${_zimmo_root}/${source} ${P_DEPENDS} ${_zimmo_pixelart_depends}
    WORKING_DIRECTORY ${_zimmo_root}
    COMMENT "Artwork ${output}"
    VERBATIM)
  set(ZIMMO_ARTWORK_OUTPUTS ${ZIMMO_ARTWORK_OUTPUTS} ${outputs} PARENT_SCOPE)
  set(ZIMMO_RESOURCE_ENTRIES ${entries} PARENT_SCOPE)
endfunction()

# Character frames: 24 pixels wide; key colour (0, 136, 221) around the
# figure, (0, 128, 255) in Mallo's eighth frame.
set(_zimmo_characters mallo tibbet quon oswy)
set(_zimmo_frame_heights 23 23 28 27)
file(GLOB _zimmo_portrait_sources CONFIGURE_DEPENDS ${ZIMMO_ARTWORK_SOURCE_DIR}/portraits/*.txt)
foreach(index RANGE 3)
  list(GET _zimmo_characters ${index} character)
  list(GET _zimmo_frame_heights ${index} height)
  string(TOUPPER ${character} upper)
  file(GLOB character_sources CONFIGURE_DEPENDS ${ZIMMO_ARTWORK_SOURCE_DIR}/frames/${character}/*.txt)
  foreach(frame RANGE 1 12)
    string(REGEX REPLACE "^([0-9])$" "0\\1" frame ${frame})
    set(key 0088DD)
    if(character STREQUAL "mallo" AND frame STREQUAL "08")
      set(key 0080FF)
    endif()
    _zimmo_picture(${upper}_RGN${frame} resources/frames/${character}/rgn${frame}.txt ${character}_rgn${frame}.bmp
      DEPENDS ${character_sources}
      ARGS --size 24x${height} --bits 24 --key ${key} --connected)
  endforeach()
  _zimmo_picture(PORTRAIT_${upper} resources/portraits/${character}.txt portrait_${character}.bmp
    GREY portrait_${character}_grey.bmp
    DEPENDS ${_zimmo_portrait_sources}
    ARGS --size 48x48 --bits 24)
endforeach()

# The gallery's disabled region buttons: a walking frame in grey.
foreach(character mallo tibbet)
  string(TOUPPER ${character} upper)
  file(GLOB character_sources CONFIGURE_DEPENDS ${ZIMMO_ARTWORK_SOURCE_DIR}/frames/${character}/*.txt)
  _zimmo_picture(GALLERY_${upper} resources/frames/${character}/rgn04.txt gallery_${character}.bmp
    GREY gallery_${character}_grey.bmp
    DEPENDS ${character_sources}
    ARGS --size 24x23 --bits 24 --key 0088DD --connected)
endforeach()

# The settings window.
file(GLOB _zimmo_settings_sources CONFIGURE_DEPENDS ${ZIMMO_ARTWORK_SOURCE_DIR}/settings/*.txt)
_zimmo_picture(SETTINGS_BACKGROUND resources/settings/background.txt settings_background.bmp
  DEPENDS ${_zimmo_settings_sources} ARGS --size 350x350 --bits 8)
foreach(button info:53x16 next:24x17 prev:24x18 close:37x16)
  string(REPLACE ":" ";" button ${button})
  list(GET button 0 picture)
  list(GET button 1 size)
  string(TOUPPER ${picture} upper)
  _zimmo_picture(SETTINGS_${upper} resources/settings/${picture}.txt settings_${picture}.bmp
    DEPENDS ${_zimmo_settings_sources} ARGS --size ${size} --bits 24)
endforeach()

# The check box: 14 styles of four 18x18 cells each, magenta background.
set(_zimmo_checkbox_sources "")
foreach(style RANGE 1 14)
  string(REGEX REPLACE "^([0-9])$" "0\\1" style ${style})
  list(APPEND _zimmo_checkbox_sources resources/checkbox/style${style}.txt)
endforeach()
file(GLOB _zimmo_checkbox_files CONFIGURE_DEPENDS ${ZIMMO_ARTWORK_SOURCE_DIR}/checkbox/*.txt)
add_custom_command(OUTPUT ${ZIMMO_ARTWORK_DIR}/checkbox.bmp
  COMMAND ${ZIMMO_PIXELART} strip ${ZIMMO_ARTWORK_DIR}/checkbox.bmp --cell 18 --key FF00FF --size 1008x18
          ${_zimmo_checkbox_sources}
  DEPENDS ${_zimmo_checkbox_files} ${_zimmo_pixelart_depends}
  WORKING_DIRECTORY ${_zimmo_root}
  COMMENT "Artwork checkbox.bmp"
  VERBATIM)
list(APPEND ZIMMO_ARTWORK_OUTPUTS ${ZIMMO_ARTWORK_DIR}/checkbox.bmp)
list(APPEND ZIMMO_RESOURCE_ENTRIES CHECKBOX BITMAP ${ZIMMO_ARTWORK_DIR}/checkbox.bmp)
_zimmo_picture(TTFONT resources/checkbox/ttfont.txt ttfont.bmp ARGS --size 16x16 --bits 8 --key FF00FF)
_zimmo_picture(DEVICEFONT resources/checkbox/devicefont.txt devicefont.bmp ARGS --size 16x16 --bits 8 --key FF00FF)

# The icon, from Mallo's portrait; magenta is see-through.
add_custom_command(OUTPUT ${ZIMMO_ARTWORK_DIR}/zimmo.ico
  COMMAND ${ZIMMO_PIXELART} icon ${ZIMMO_ARTWORK_DIR}/zimmo.ico --key FF00FF
          resources/icon/zimmo.txt:32 resources/icon/zimmo16.txt:16
  DEPENDS ${ZIMMO_ARTWORK_SOURCE_DIR}/icon/zimmo.txt ${ZIMMO_ARTWORK_SOURCE_DIR}/icon/zimmo16.txt ${_zimmo_pixelart_depends}
  WORKING_DIRECTORY ${_zimmo_root}
  COMMENT "Artwork zimmo.ico"
  VERBATIM)
list(APPEND ZIMMO_ARTWORK_OUTPUTS ${ZIMMO_ARTWORK_DIR}/zimmo.ico)
list(APPEND ZIMMO_RESOURCE_ENTRIES MAINICON ICON ${ZIMMO_ARTWORK_DIR}/zimmo.ico)

add_custom_target(zimmo_artwork ALL DEPENDS ${ZIMMO_ARTWORK_OUTPUTS})
if(TARGET zimmo_pixelart_present)
  add_dependencies(zimmo_artwork zimmo_pixelart_present)
endif()

# ------------------------------------------------------------------ linking them in
function(zimmo_add_resources target)
  set(entries ${ZIMMO_RESOURCE_ENTRIES})
  set(form_files "")
  list(LENGTH ZIMMO_FORM_RESOURCES form_count)
  math(EXPR form_odd "${form_count} % 2")
  if(form_odd)
    message(FATAL_ERROR "ZIMMO_FORM_RESOURCES holds pairs NAME;FILE, not ${ZIMMO_FORM_RESOURCES}")
  endif()
  if(form_count GREATER 0)
    math(EXPR last "${form_count} - 1")
    foreach(i RANGE 0 ${last} 2)
      math(EXPR j "${i} + 1")
      list(GET ZIMMO_FORM_RESOURCES ${i} form_name)
      list(GET ZIMMO_FORM_RESOURCES ${j} form_file)
      list(APPEND entries ${form_name} FORM ${form_file})
      list(APPEND form_files ${form_file})
    endforeach()
  endif()

  if(WIN32)
    if(NOT TARGET zimmo_resources_obj)
      _zimmo_write_rc(${CMAKE_BINARY_DIR}/generated/zimmo.rc "${entries}")
      add_library(zimmo_resources_obj OBJECT ${CMAKE_BINARY_DIR}/generated/zimmo.rc)
      set_source_files_properties(${CMAKE_BINARY_DIR}/generated/zimmo.rc PROPERTIES
        OBJECT_DEPENDS "${ZIMMO_ARTWORK_OUTPUTS};${form_files};${CMAKE_BINARY_DIR}/generated/zimmo.manifest")
      add_dependencies(zimmo_resources_obj zimmo_artwork)
      if(TARGET zimmo_forms)
        add_dependencies(zimmo_resources_obj zimmo_forms)
      endif()
      # The Windows test executables carry the same resources as the program.
      cmake_language(DEFER CALL _zimmo_link_test_resources)
    endif()
    target_compile_definitions(${target} INTERFACE ZIMMO_ARTWORK_DIR="${ZIMMO_ARTWORK_DIR}")
    set(ZIMMO_RC_FILE $<TARGET_OBJECTS:zimmo_resources_obj> PARENT_SCOPE)
  else()
    if(NOT TARGET zimmo_resources)
      set(table ${CMAKE_BINARY_DIR}/generated/resource_table.cpp)
      add_custom_command(OUTPUT ${table}
        COMMAND ${ZIMMO_PIXELART} table ${table} ${entries}
        DEPENDS ${ZIMMO_ARTWORK_OUTPUTS} ${form_files} ${_zimmo_pixelart_depends}
        COMMENT "Resource table"
        VERBATIM)
      # An object library: the table's objects go into every executable that
      # links it, after the backend that searches it.
      add_library(zimmo_resources OBJECT ${table})
      target_link_libraries(zimmo_resources PRIVATE zimmo_options)
      # The tests read the generated files and run the tool on broken sources.
      target_compile_definitions(zimmo_resources INTERFACE ZIMMO_ARTWORK_DIR="${ZIMMO_ARTWORK_DIR}"
                                 ZIMMO_PIXELART="${ZIMMO_PIXELART}")
      add_dependencies(zimmo_resources zimmo_artwork)
      # The form files are made by another target, maybe in another directory.
      if(TARGET zimmo_forms)
        add_dependencies(zimmo_resources zimmo_forms)
      endif()
    endif()
    target_link_libraries(${target} PUBLIC zimmo_resources)
  endif()
endfunction()

function(_zimmo_link_test_resources)
  if(TARGET zimmo_wine_tests)
    target_link_libraries(zimmo_wine_tests PRIVATE zimmo_resources_obj)
  endif()
endfunction()

function(_zimmo_write_rc file entries)
  set(manifest ${CMAKE_BINARY_DIR}/generated/zimmo.manifest)
  file(WRITE ${manifest}.in [=[<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Zimmo.Launcher" version="@PROJECT_VERSION@.0" processorArchitecture="amd64"/>
  <description>Launcher Zimmo!</description>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">false</dpiAware>
    </windowsSettings>
  </application>
</assembly>
]=])
  configure_file(${manifest}.in ${manifest} @ONLY)

  set(v ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
  set(rc "// Generated by cmake/resources.cmake; do not edit.\n")
  string(APPEND rc "// Numbers instead of <windows.h> names: the script needs no include path.\n\n")
  list(LENGTH entries count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 3)
    math(EXPR t "${i} + 1")
    math(EXPR f "${i} + 2")
    list(GET entries ${i} name)
    list(GET entries ${t} type)
    list(GET entries ${f} path)
    if(type STREQUAL "FORM")
      set(type RCDATA)
    endif()
    # In lower case: CHECKBOX is a keyword of the script language, checkbox is
    # a name, which windres stores in upper case as rc does. (A quoted name
    # would run together with the file name before it.)
    string(TOLOWER ${name} lower)
    string(APPEND rc "${lower} ${type} \"${path}\"\n")
  endforeach()
  string(APPEND rc "
1 24 \"${manifest}\"

1 VERSIONINFO
FILEVERSION ${v}
PRODUCTVERSION ${v}
FILEFLAGSMASK 0x3F
FILEFLAGS 0x0
FILEOS 0x40004
FILETYPE 0x1
FILESUBTYPE 0x0
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"041104B0\"
    BEGIN
      VALUE \"CompanyName\", \"Zimmo Works\"
      VALUE \"FileDescription\", \"Launcher Zimmo! - desktop character launcher\"
      VALUE \"FileVersion\", \"${PROJECT_VERSION}\"
      VALUE \"InternalName\", \"zimmo\"
      VALUE \"LegalCopyright\", \"Zimmo Works\"
      VALUE \"OriginalFilename\", \"zimmo.exe\"
      VALUE \"ProductName\", \"Launcher Zimmo!\"
      VALUE \"ProductVersion\", \"${PROJECT_VERSION}\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x411, 1200
  END
END
")
  file(CONFIGURE OUTPUT ${file} CONTENT "${rc}" @ONLY)
endfunction()
