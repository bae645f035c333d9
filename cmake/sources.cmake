# The library: one static core that tests link directly, and the shared library the host loads.
set(NAMEFOLD_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

file(GLOB NAMEFOLD_PLATFORM_SOURCES CONFIGURE_DEPENDS ${NAMEFOLD_ROOT}/platform/${NAMEFOLD_PLATFORM}/*.cpp)

# The foundation below every layer (base/): the unit, surrogates, ranges and bounded copies.
add_library(namefold_base INTERFACE)
target_include_directories(namefold_base INTERFACE ${NAMEFOLD_ROOT})

add_library(namefold_core STATIC
  ${NAMEFOLD_PLATFORM_SOURCES}
  ${NAMEFOLD_ROOT}/tables/single_char_table.cpp
  ${NAMEFOLD_ROOT}/tables/sequence_table.cpp
  ${NAMEFOLD_ROOT}/tables/sequence_index.cpp
  ${NAMEFOLD_ROOT}/tables/table_files.cpp
  ${NAMEFOLD_ROOT}/transform/native_ranges.cpp
  ${NAMEFOLD_ROOT}/transform/compose.cpp
  ${NAMEFOLD_ROOT}/transform/transliterate.cpp
  ${NAMEFOLD_ROOT}/transform/inherent_vowel.cpp
  ${NAMEFOLD_ROOT}/transform/unit_actions.cpp
  ${NAMEFOLD_ROOT}/transform/fold.cpp
  ${NAMEFOLD_ROOT}/plugin/catalogue.cpp
  ${NAMEFOLD_ROOT}/plugin/values.cpp)
target_include_directories(namefold_core PUBLIC ${NAMEFOLD_ROOT} ${NAMEFOLD_ROOT}/include)
target_link_libraries(namefold_core PUBLIC namefold_base)
if(NOT WIN32)
  target_link_libraries(namefold_core PUBLIC ${CMAKE_DL_LIBS})
endif()

add_library(namefold SHARED ${NAMEFOLD_ROOT}/plugin/exports.cpp)
target_link_libraries(namefold PRIVATE namefold_core)
set_target_properties(namefold PROPERTIES
  PREFIX ""
  LIBRARY_OUTPUT_DIRECTORY ${NAMEFOLD_OUT_DIR}
  RUNTIME_OUTPUT_DIRECTORY ${NAMEFOLD_OUT_DIR})
namefold_version_resource(namefold namefold.dll 0x2 "namefold content plugin")
if(WIN32)
  # Exports under their undecorated names, __stdcall ones included, and nothing else.
  target_sources(namefold PRIVATE ${NAMEFOLD_ROOT}/plugin/namefold.def)
  target_link_options(namefold PRIVATE -Wl,--enable-stdcall-fixup)
else()
  target_link_options(namefold PRIVATE -Wl,--no-undefined -Wl,--version-script=${NAMEFOLD_ROOT}/plugin/namefold.map)
  set_target_properties(namefold PROPERTIES LINK_DEPENDS ${NAMEFOLD_ROOT}/plugin/namefold.map)
endif()

# How a host loads the library: shared by the program, the host-level tests and the benchmarks.
add_library(namefold_loader STATIC ${NAMEFOLD_ROOT}/host/plugin_loader.cpp
  ${NAMEFOLD_ROOT}/host/${NAMEFOLD_PLATFORM}/plugin_loader.cpp)
target_include_directories(namefold_loader PUBLIC ${NAMEFOLD_ROOT} ${NAMEFOLD_ROOT}/include)
target_link_libraries(namefold_loader PUBLIC namefold_base)
if(NOT WIN32)
  target_link_libraries(namefold_loader PUBLIC ${CMAKE_DL_LIBS})
endif()

# The default replacement tables, assembled from the sources in data/tables beside the library.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
file(GLOB NAMEFOLD_TABLE_SOURCES CONFIGURE_DEPENDS
  ${NAMEFOLD_ROOT}/data/tables/*.txt ${NAMEFOLD_ROOT}/data/tables/overlays/*)
set(NAMEFOLD_TABLE_FILES ${NAMEFOLD_OUT_DIR}/namefold1.tbl ${NAMEFOLD_OUT_DIR}/namefold2.tbl)
add_custom_command(OUTPUT ${NAMEFOLD_TABLE_FILES}
  COMMAND Python3::Interpreter ${NAMEFOLD_ROOT}/tools/gen/make_tables.py --out ${NAMEFOLD_OUT_DIR}
  DEPENDS ${NAMEFOLD_TABLE_SOURCES} ${NAMEFOLD_ROOT}/tools/gen/make_tables.py ${NAMEFOLD_ROOT}/tools/gen/gen_hangul.py
  COMMENT "Assembling the default replacement tables")
add_custom_target(namefold_tables ALL DEPENDS ${NAMEFOLD_TABLE_FILES})
