# The release zip, made by CPack (cmake --build <folder> --target package):
# brevand-<version>-win32.zip (i686) or -win64.zip (x86_64), holding brevand.exe,
# README.txt and LICENSE.txt, with its SHA-256 in a .sha256 file beside it.
set(readme_text ${CMAKE_BINARY_DIR}/README.txt)
add_custom_command(OUTPUT ${readme_text}
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/README.md -DOUT=${readme_text}
        -DVERSION=${PROJECT_VERSION} -P ${CMAKE_SOURCE_DIR}/cmake/readme_text.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/cmake/readme_text.cmake
    VERBATIM)
add_custom_target(readme_text ALL DEPENDS ${readme_text})

# The licence as Notepad reads it: CR LF, and a name Explorer opens.
set(license_text ${CMAKE_BINARY_DIR}/LICENSE.txt)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${license_text} @ONLY NEWLINE_STYLE CRLF)

install(TARGETS brevand RUNTIME DESTINATION .)
install(FILES ${readme_text} ${license_text} DESTINATION .)

set(bits 32)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(bits 64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME brevand-${PROJECT_VERSION}-win${bits})
set(CPACK_PACKAGE_CHECKSUM SHA256)
# Read by cpack as it starts: fixes the times it writes into the zip.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_times.cmake)
set(CPACK_BREVAND_SOURCE_DIR ${CMAKE_SOURCE_DIR})
include(CPack)
