# The install tree, and the build tree laid out like it, so that both find their modules and data
# relative to the executable (docs/architecture.md, "Install layout").
include_guard(GLOBAL)

set(MEBO_ICON_SIZES 16 22 24 32 48 64 128 256 512)
# Installing, and packing a release, takes what is built; it does not build the tests first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The build tree's data: links into data/, at the place the install tree has them.
function(mebo_link_build_data)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/share/mebo)
  foreach(kind sounds stamps)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/data/${kind} ${CMAKE_BINARY_DIR}/share/mebo/${kind} SYMBOLIC)
  endforeach()
endfunction()

function(_mebo_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _mebo_targets_below(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Every shared library below src/ named mebo_platform_* is a backend module: it is built into
# <build>/lib/mebo, built with the program, and installed into lib/mebo (plain 0644 files).
# Runs once, after the whole project is configured (see the DEFER call below).
function(mebo_register_modules)
  _mebo_targets_below(${PROJECT_SOURCE_DIR}/src targets)
  set(modules "")
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(target MATCHES "^mebo_platform_" AND type MATCHES "^(SHARED|MODULE)_LIBRARY$")
      set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/mebo)
      add_dependencies(mebo ${target})
      install(TARGETS ${target} LIBRARY DESTINATION lib/mebo
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
      list(APPEND modules ${target})
    endif()
  endforeach()
  set_property(GLOBAL PROPERTY MEBO_MODULES ${modules})
  message(STATUS "Backend modules: ${modules}")
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL mebo_register_modules)

# The program, its data, and the files that make it a desktop application: the desktop entry,
# icons, AppStream metainfo, the manual page and the shell completions (both written from the
# program's own --help by mebo-gen after it is built), and the package's documents.
function(mebo_install_application)
  set(data ${PROJECT_SOURCE_DIR}/data)
  set(out ${CMAKE_BINARY_DIR}/share)
  install(TARGETS mebo RUNTIME DESTINATION bin)
  install(TARGETS mebo_full RUNTIME DESTINATION lib/mebo)
  # Their licences are in share/doc/mebo/copyright.
  install(DIRECTORY ${data}/sounds DESTINATION share/mebo FILES_MATCHING PATTERN "*.wav")
  install(DIRECTORY ${data}/stamps DESTINATION share/mebo FILES_MATCHING PATTERN "*.svg")

  set(MEBO_EXEC mebo)
  configure_file(${data}/mebo.desktop.in ${out}/applications/mebo.desktop @ONLY)
  install(FILES ${out}/applications/mebo.desktop DESTINATION share/applications)
  install(FILES ${data}/app.mebo.Mebo.metainfo.xml DESTINATION share/metainfo)

  set(icons "")
  foreach(size IN LISTS MEBO_ICON_SIZES)
    set(png ${out}/icons/hicolor/${size}x${size}/apps/mebo.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/icons/hicolor/${size}x${size}/apps
      COMMAND mebo-gen icon ${data}/icons/mebo.svg ${size} ${png}
      DEPENDS mebo-gen ${data}/icons/mebo.svg
      COMMENT "Rendering the ${size}x${size} icon" VERBATIM)
    list(APPEND icons ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${data}/icons/mebo.svg DESTINATION share/icons/hicolor/scalable/apps)

  set(gen ${CMAKE_BINARY_DIR}/generated/docs)
  add_custom_command(OUTPUT ${gen}/mebo.1 ${gen}/mebo.bash ${gen}/_mebo ${gen}/mebo.fish
    COMMAND mebo-gen docs $<TARGET_FILE:mebo> ${gen} ${data}/man/mebo.1.tail ${PROJECT_VERSION}
            "${PROJECT_DESCRIPTION}"
    DEPENDS mebo mebo-gen ${data}/man/mebo.1.tail
    COMMENT "Writing the manual page and the shell completions from mebo --help" VERBATIM)
  add_custom_command(OUTPUT ${out}/man/man1/mebo.1.gz ${out}/doc/mebo/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/man/man1 ${out}/doc/mebo
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\" && gzip -9n < \"$2\" > \"$3\""
            ${gen}/mebo.1 ${out}/man/man1/mebo.1.gz ${data}/package/changelog ${out}/doc/mebo/changelog.gz
    DEPENDS ${gen}/mebo.1 ${data}/package/changelog VERBATIM)
  add_custom_target(mebo_desktop_files ALL
    DEPENDS ${icons} ${out}/man/man1/mebo.1.gz ${out}/doc/mebo/changelog.gz ${gen}/mebo.bash)
  install(FILES ${out}/man/man1/mebo.1.gz DESTINATION share/man/man1)
  install(FILES ${gen}/mebo.bash DESTINATION share/bash-completion/completions RENAME mebo)
  install(FILES ${gen}/_mebo DESTINATION share/zsh/vendor-completions)
  install(FILES ${gen}/mebo.fish DESTINATION share/fish/vendor_completions.d)
  install(FILES ${data}/package/copyright ${out}/doc/mebo/changelog.gz DESTINATION share/doc/mebo)
endfunction()
