# Build flags that make kelvane.exe the same bytes wherever and whenever it is built, and keep
# out of the released file what the program never runs.
#
# - The linker leaves the PE header's time stamp at zero instead of the time of the link.
# - Paths of the source and build folders never reach the objects (__FILE__ in a header, say).
# - Release builds put every function and datum in a section of its own, drop the sections
#   nothing refers to, and write no symbol table.
# MSVC builds keep their own defaults.
if(MSVC)
  return()
endif()

add_compile_options(
  "-ffile-prefix-map=${PROJECT_SOURCE_DIR}/="
  "-ffile-prefix-map=${PROJECT_BINARY_DIR}/=")
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()

set(kelvane_release_config "$<CONFIG:Release,MinSizeRel>")
add_compile_options("$<${kelvane_release_config}:-ffunction-sections;-fdata-sections>")
add_link_options("$<${kelvane_release_config}:-Wl,--gc-sections;-s>")
unset(kelvane_release_config)
