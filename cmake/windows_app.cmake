# The Windows shell: brevand.exe from the entry point, menu, Options dialog and resources.
enable_language(RC)

add_executable(brevand WIN32
    app/main_window.cpp
    app/menu_commands.cpp
    app/win_main.cpp
    config/options_dialog.cpp
    res/brevand.rc
)
# The status bar, the up-down control and the font chooser: the shell's alone.
target_link_libraries(brevand PRIVATE brevand_core comctl32 comdlg32)
configure_file(res/brevand.manifest.in generated/brevand.manifest @ONLY)
# windres finds the icon, and the manifest in generated/, through the include path.
target_include_directories(brevand PRIVATE ${CMAKE_SOURCE_DIR}/res)
# windres reads the manifest without telling make: a new one must rebuild the resources.
set_source_files_properties(res/brevand.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/brevand.manifest)

if(MINGW)
    # Nothing but the system DLLs at run time; no link time in the header.
    target_link_options(brevand PRIVATE -static -Wl,--no-insert-timestamp)
    # No build folder or source folder in what is compiled, so that the same
    # source gives the same bytes wherever it is built.  The build folder's
    # map comes last, so it wins when the build folder is inside the source.
    foreach(target brevand_core brevand)
        target_compile_options(${target} PRIVATE -g
            -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
    endforeach()
    # The exe is shipped stripped; its debug information goes to brevand.debug
    # beside it, which gdb finds through the exe's .gnu_debuglink.  -g above
    # changes no code, only what goes into brevand.debug.  objcopy writes the
    # PE time stamp from SOURCE_DATE_EPOCH: 0, as the linker left it.
    add_custom_command(TARGET brevand POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:brevand> brevand.debug
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=brevand.debug $<TARGET_FILE_NAME:brevand>
        WORKING_DIRECTORY $<TARGET_FILE_DIR:brevand>
        VERBATIM)
endif()

include(cmake/package.cmake)
