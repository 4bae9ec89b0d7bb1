# Builds the runnable Resource folder from its sources (run by the build with cmake -P).
# SOURCE, DEST, XML_CONVERTER, FONT and WORK are given on the command line.
file(REMOVE_RECURSE ${DEST})
file(MAKE_DIRECTORY ${DEST})
file(COPY ${SOURCE}/ DESTINATION ${DEST}
     PATTERN "*.mesh.xml" EXCLUDE
     PATTERN "*.skeleton.xml" EXCLUDE
     PATTERN "OgreCore" EXCLUDE)

# Meshes and skeletons are kept as text; the engine reads the binary form.
file(GLOB_RECURSE MESH_SOURCES RELATIVE ${SOURCE} ${SOURCE}/*.mesh.xml ${SOURCE}/*.skeleton.xml)
foreach(mesh ${MESH_SOURCES})
  string(REGEX REPLACE "\\.xml$" "" target ${mesh})
  get_filename_component(dir ${DEST}/${target} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  execute_process(COMMAND ${XML_CONVERTER} -q ${SOURCE}/${mesh} ${DEST}/${target}
                  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE result OUTPUT_QUIET)
  if(NOT result EQUAL 0 OR NOT EXISTS ${DEST}/${target})
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
