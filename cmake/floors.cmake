# Each library of src/ shows only its own headers to what links it: its folder is linked, under the
# path that includes name (toolkit/text, fire, ...), into an include root of the library's own in the
# build tree. So a header of a library that is not linked is not found, and a wrong include fails
# to build instead of passing quietly.
function(plamkov_headers target path)
    set(root ${PROJECT_BINARY_DIR}/include/${target})
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(REMOVE ${root}/${path})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${path} ${root}/${path} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# A library from the .cpp and .h files of its folder, with its headers as above.
function(plamkov_library target path)
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${path}/*.cpp ${PROJECT_SOURCE_DIR}/src/${path}/*.h)
    add_library(${target} STATIC ${sources})
    plamkov_headers(${target} ${path})
endfunction()
