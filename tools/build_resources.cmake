# Builds the runnable Resource folder from its sources (run by the build with cmake -P).
# SOURCE, DEST, XML_CONVERTER, FONT, PYTHON, TOOLS and WORK are given on the command line.
file(REMOVE_RECURSE ${DEST})
file(MAKE_DIRECTORY ${DEST})
file(COPY ${SOURCE}/ DESTINATION ${DEST}
     PATTERN "*.mesh.xml" EXCLUDE
     PATTERN "*.skeleton.xml" EXCLUDE
     PATTERN "OgreCore" EXCLUDE)

# Generated data: textures, sounds and glTF models straight into the game, intro meshes as text
# beside the sources.
foreach(tool make_textures make_sounds make_gltf make_meshes)
  if(tool STREQUAL make_textures)
    set(out ${DEST}/Textures)
  elseif(tool STREQUAL make_sounds)
    set(out ${DEST}/Sounds)
  elseif(tool STREQUAL make_gltf)
    set(out ${DEST}/Meshes)
  else()
    set(out ${WORK}/Meshes)
  endif()
  execute_process(COMMAND ${PYTHON} ${TOOLS}/${tool}.py ${out} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${tool}.py failed")
  endif()
endforeach()

# Meshes and skeletons are kept as text; the engine reads the binary form.
file(GLOB_RECURSE MESH_SOURCES ${SOURCE}/*.mesh.xml ${SOURCE}/*.skeleton.xml ${WORK}/Meshes/*.mesh.xml)
foreach(mesh ${MESH_SOURCES})
  get_filename_component(name ${mesh} NAME)
  string(REGEX REPLACE "\\.xml$" "" target ${name})
  file(MAKE_DIRECTORY ${DEST}/Meshes)
  execute_process(COMMAND ${XML_CONVERTER} -q ${mesh} ${DEST}/Meshes/${target}
                  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE result OUTPUT_QUIET)
  if(NOT result EQUAL 0 OR NOT EXISTS ${DEST}/Meshes/${target})
    message(FATAL_ERROR "OgreXMLConverter failed on ${mesh}")
  endif()
endforeach()

# The core overlay archive: our overlay and font scripts plus the font "Paradigm".
set(core ${WORK}/OgreCore)
file(REMOVE_RECURSE ${core})
file(COPY ${SOURCE}/Misc/OgreCore/ DESTINATION ${core})
file(COPY_FILE ${FONT} ${core}/paradigm.ttf)
file(GLOB core_files RELATIVE ${core} ${core}/*)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${DEST}/Misc/OgreCore.zip --format=zip ${core_files}
                WORKING_DIRECTORY ${core} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "could not build OgreCore.zip")
endif()
