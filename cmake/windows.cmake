# The Windows side: the framework stand-in, each subsystem's win32/ folder, the resources,
# Kanjiforge.exe and the end-to-end test program that drives it under Wine.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
# Reproducible program files (the packages rely on it): no link time stamp in the PE header, and
# no source or build folder in the objects.
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)

# The Win32 levels, each in src/win32/<name>/. At the bottom the platform helpers (handles, texts,
# processes, window searches, the family's window tags), then the framework stand-in; each
# subsystem's Win32 side uses its own platform-free level, lower levels and the framework; views know
# documents only through the editor level's hints and history interface, documents never know
# views; win32/app is the one top level that wires the template, the frame, the document and the
# views, and win32/viewer is the list browser's program beside it.
kf_add_level(kf_platform_win32 win32/platform)
target_include_directories(kf_platform_win32 PUBLIC ${CMAKE_SOURCE_DIR}/src/res)
target_link_libraries(kf_platform_win32 PUBLIC kf_base
                      user32 gdi32 comctl32 comdlg32 shell32 ole32 advapi32 version imm32 shlwapi uuid)
kf_add_level(kf_framework_win32 win32/framework)
target_link_libraries(kf_framework_win32 PUBLIC kf_platform_win32 kf_framework kf_base)
kf_add_level(kf_glyphstore_win32 win32/glyphstore)
target_link_libraries(kf_glyphstore_win32 PUBLIC kf_glyphstore kf_platform_win32)
kf_add_level(kf_automation_win32 win32/automation)
target_link_libraries(kf_automation_win32 PUBLIC kf_automation kf_platform_win32)
kf_add_level(kf_editor_win32 win32/editor)
target_link_libraries(kf_editor_win32 PUBLIC kf_editor kf_framework_win32)
kf_add_level(kf_panes_win32 win32/panes)
target_link_libraries(kf_panes_win32 PUBLIC kf_panes kf_framework_win32)
kf_add_level(kf_finder_win32 win32/finder)
target_link_libraries(kf_finder_win32 PUBLIC kf_finder kf_editor kf_framework_win32)
kf_add_level(kf_document_win32 win32/document)
target_link_libraries(kf_document_win32 PUBLIC kf_document kf_automation_win32 kf_panes_win32 kf_framework_win32)
kf_add_level(kf_app_win32 win32/app)
target_link_libraries(kf_app_win32 PUBLIC kf_app kf_document_win32 kf_editor_win32 kf_panes_win32
                      kf_finder_win32 kf_glyphstore_win32 kf_framework_win32)
kf_add_level(kf_viewer_win32 win32/viewer)
target_link_libraries(kf_viewer_win32 PUBLIC kf_viewer kf_finder_win32 kf_glyphstore_win32 kf_framework_win32)

# The whole Windows side, for the programs and the end-to-end tests.
add_library(kf_win32 INTERFACE)
target_link_libraries(kf_win32 INTERFACE kf_app_win32 kf_viewer_win32 kf_core)

add_executable(Kanjiforge WIN32 ${CMAKE_SOURCE_DIR}/src/win32/app/kanjiforge_main.cpp ${CMAKE_SOURCE_DIR}/src/res/Kanjiforge.rc)
target_link_libraries(Kanjiforge PRIVATE kf_win32)
# windres reports no dependencies: rebuild the resources when anything they include changes.
file(GLOB_RECURSE KF_RESOURCE_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/res/*)
list(FILTER KF_RESOURCE_INPUTS EXCLUDE REGEX "Kanji(forge|viewer)\\.rc$")
# The manifest carries the project version too; windres finds it through the include folders.
configure_file(${CMAKE_SOURCE_DIR}/src/res/Kanjiforge.manifest.in ${KF_GENERATED_DIR}/Kanjiforge.manifest @ONLY)
list(APPEND KF_RESOURCE_INPUTS ${KF_GENERATED_DIR}/Kanjiforge.manifest ${KF_GENERATED_DIR}/kanjiforge_version.h)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/res/Kanjiforge.rc PROPERTIES OBJECT_DEPENDS "${KF_RESOURCE_INPUTS}")
target_link_options(Kanjiforge PRIVATE -municode -mwindows)
target_include_directories(Kanjiforge PRIVATE ${CMAKE_SOURCE_DIR}/src/res ${KF_GENERATED_DIR})

# The list browser, a second program on the same levels; its resources share the editor's icon and manifest.
add_executable(Kanjiviewer WIN32 ${CMAKE_SOURCE_DIR}/src/win32/viewer/kanjiviewer_main.cpp
                           ${CMAKE_SOURCE_DIR}/src/res/Kanjiviewer.rc)
target_link_libraries(Kanjiviewer PRIVATE kf_viewer_win32)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/res/Kanjiviewer.rc PROPERTIES OBJECT_DEPENDS "${KF_RESOURCE_INPUTS}")
target_link_options(Kanjiviewer PRIVATE -municode -mwindows)
target_include_directories(Kanjiviewer PRIVATE ${CMAKE_SOURCE_DIR}/src/res ${KF_GENERATED_DIR})

# The user's manual: docs/manual/*.md (and its pictures) into HTML pages in <build>/manual, which the
# packages carry beside the programs. Python-Markdown (Debian's python3-markdown) converts it; a build
# machine without it builds the programs and says that the manual was left out.
find_program(KF_SYSTEM_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT KF_SYSTEM_PYTHON3)
  find_program(KF_SYSTEM_PYTHON3 python3)
endif()
set(KF_MANUAL_DIR ${CMAKE_BINARY_DIR}/manual)
set(KF_HAVE_MARKDOWN FALSE)
if(KF_SYSTEM_PYTHON3)
  execute_process(COMMAND ${KF_SYSTEM_PYTHON3} -c "import markdown" RESULT_VARIABLE KF_MARKDOWN_RESULT
                  OUTPUT_QUIET ERROR_QUIET)
  if(KF_MARKDOWN_RESULT EQUAL 0)
    set(KF_HAVE_MARKDOWN TRUE)
  endif()
endif()
if(KF_HAVE_MARKDOWN)
  file(GLOB KF_MANUAL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/manual/*.md
       ${CMAKE_SOURCE_DIR}/docs/manual/images/*.png)
  add_custom_command(
    OUTPUT ${KF_MANUAL_DIR}/index.html
    COMMAND ${KF_SYSTEM_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/manual/build_manual.py ${CMAKE_SOURCE_DIR}/docs/manual
            ${KF_MANUAL_DIR}
    DEPENDS ${KF_MANUAL_SOURCES} ${CMAKE_SOURCE_DIR}/tools/manual/build_manual.py
    COMMENT "Building the user's manual"
    VERBATIM)
  add_custom_target(manual ALL DEPENDS ${KF_MANUAL_DIR}/index.html)
else()
  message(WARNING "python3 with the markdown module (python3-markdown) not found: the manual is not built")
endif()

# GoogleTest from the Debian source package, built with the cross compiler.
if(EXISTS /usr/src/googletest/googletest/CMakeLists.txt)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/tests/e2e)
  endif()
endif()
