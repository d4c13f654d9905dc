# The Windows shell: brevand.exe from the entry point, menu, Options dialog and resources.
enable_language(RC)

add_executable(brevand WIN32
    app/main_window.cpp
    app/menu_commands.cpp
    app/win_main.cpp
    config/options_dialog.cpp
    res/brevand.rc
)
target_link_libraries(brevand PRIVATE brevand_core)
# windres finds the icon through the include path.
target_include_directories(brevand PRIVATE ${CMAKE_SOURCE_DIR}/res)

if(MINGW)
    # Nothing but the system DLLs at run time.
    target_link_options(brevand PRIVATE -static)
endif()
