# The codec DLLs of this architecture sit beside the plug-in in the build's bin folder and in dist.
set(SONOTAPE_CODEC_DLLS ogg.dll vorbis.dll vorbisenc.dll vorbisfile.dll lame_enc.dll MPGLib.DLL libFLAC.dll)
set(SONOTAPE_CODEC_FILES "")
if(SONOTAPE_CODEC_DIR)
  foreach(dll IN LISTS SONOTAPE_CODEC_DLLS)
    if(NOT EXISTS ${SONOTAPE_CODEC_DIR}/${dll})
      message(FATAL_ERROR "${dll} is missing in SONOTAPE_CODEC_DIR (${SONOTAPE_CODEC_DIR}); run deps/build-codecs.sh")
    endif()
    list(APPEND SONOTAPE_CODEC_FILES ${SONOTAPE_CODEC_DIR}/${dll})
  endforeach()
  add_custom_target(codec_dlls ALL
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SONOTAPE_CODEC_FILES} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    DEPENDS ${SONOTAPE_CODEC_FILES}
    COMMENT "Copying the codec DLLs beside the plug-in")
endif()
