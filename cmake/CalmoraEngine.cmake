# Places the engine where the front end looks for it: <windir>/servicecmr/client.exe,
# a link to the system's ffmpeg (it carries the vid.stab filters on Debian).
find_program(CALMORA_FFMPEG ffmpeg)
if(CALMORA_FFMPEG)
  file(MAKE_DIRECTORY "${CALMORA_DEFAULT_WINDIR}/servicecmr")
  file(CREATE_LINK "${CALMORA_FFMPEG}" "${CALMORA_DEFAULT_WINDIR}/servicecmr/client.exe" SYMBOLIC)
else()
  message(WARNING "ffmpeg not found: Calmora will report the missing engine at start-up")
endif()
