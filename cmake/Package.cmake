# dist/<arch>/ is what a user copies into the host's plug-in folder: the plug-in and its codec DLLs.
install(TARGETS Sonotape RUNTIME DESTINATION . LIBRARY DESTINATION .)
install(FILES ${SONOTAPE_CODEC_FILES} DESTINATION .)
