# Form resources: hand-written layouts (characters/*.layout, settings/*.layout,
# gallery/*.layout)
# completed by the designer tool with the pictures their .pictures files
# name, then embedded as resources of type FORM named after the form class.

if(CMAKE_CROSSCOMPILING OR ZIMMO_HOST_TOOLS_DIR)
  set(ZIMMO_DESIGNER ${ZIMMO_HOST_TOOLS_DIR}/zimmo_designer)
  set(_zimmo_designer_depends ${ZIMMO_DESIGNER})
else()
  add_executable(zimmo_designer tools/designer/main.cpp tools/designer/Designer.cpp tools/designer/EmptyResourceTable.cpp)
  target_link_libraries(zimmo_designer PRIVATE zimmo_controls)
  set_target_properties(zimmo_designer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  set(ZIMMO_DESIGNER $<TARGET_FILE:zimmo_designer>)
  set(_zimmo_designer_depends zimmo_designer)
endif()

set(ZIMMO_FORMS_DIR ${CMAKE_BINARY_DIR}/generated/forms)
file(MAKE_DIRECTORY ${ZIMMO_FORMS_DIR})
set(ZIMMO_FORM_OUTPUTS "")

# zimmo_design_form(CLASS LAYOUT PICTURES)
function(zimmo_design_form class layout pictures)
  set(output ${ZIMMO_FORMS_DIR}/${class}.form)
  add_custom_command(OUTPUT ${output}
    COMMAND ${ZIMMO_DESIGNER} ${CMAKE_SOURCE_DIR}/${layout} ${CMAKE_SOURCE_DIR}/${pictures} ${ZIMMO_ARTWORK_DIR} ${output}
    DEPENDS ${CMAKE_SOURCE_DIR}/${layout} ${CMAKE_SOURCE_DIR}/${pictures} ${ZIMMO_ARTWORK_OUTPUTS} ${_zimmo_designer_depends}
    COMMENT "Form resource ${class}"
    VERBATIM)
  set(ZIMMO_FORM_RESOURCES ${ZIMMO_FORM_RESOURCES} ${class} ${output} PARENT_SCOPE)
  set(ZIMMO_FORM_OUTPUTS ${ZIMMO_FORM_OUTPUTS} ${output} PARENT_SCOPE)
endfunction()

foreach(form TForm1:characters/Mallo TForm2:characters/Tibbet TForm3:characters/Quon TForm4:characters/Oswy
             TStatusForm1:settings/StatusWindow1 TGalleryForm:gallery/Gallery)
  string(REPLACE ":" ";" form ${form})
  list(GET form 0 class)
  list(GET form 1 base)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${base}.layout)
    zimmo_design_form(${class} ${base}.layout ${base}.pictures)
  endif()
endforeach()
add_custom_target(zimmo_forms ALL DEPENDS ${ZIMMO_FORM_OUTPUTS})
