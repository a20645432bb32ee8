# Game data: the sprite sheets and sound effects, drawn and synthesised by tools/make_assets.
# The sheets go to ${CMAKE_BINARY_DIR}/data, the sounds to ${CMAKE_BINARY_DIR}/Sounds (beside
# the executable, where the sound table's "Sounds\..." names point; an installed game has both
# in share/lavarumble). The desktop icon's sizes go to ${CMAKE_BINARY_DIR}/icons, for the install.

file(GLOB make_assets_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_assets/*.cpp)
add_executable(make_assets ${make_assets_srcs})

set(LR_ASSET_DATA_DIR ${CMAKE_BINARY_DIR}/data)
set(LR_ASSET_SOUND_DIR ${CMAKE_BINARY_DIR}/Sounds)
set(LR_ASSET_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(LR_ICON_SIZES 64 256)
set(LR_ASSET_STAMP ${CMAKE_BINARY_DIR}/assets.stamp)

set(lr_asset_outputs)
foreach(sheet Sticky Platform Rope Bubble Powerup_Mine Powerup_Elec Powerup_Boots Powerup_Switch
        Powerup_Death Powerup_TNT Powerup_Tele Powerup_Gun Powerup_Glove PElec Title O_Start
        O_Options O_Online O_Quit Coil Lava L_PRR L_PGR)
  list(APPEND lr_asset_outputs ${LR_ASSET_DATA_DIR}/${sheet}.bmp)
endforeach()
list(APPEND lr_asset_outputs ${LR_ASSET_DATA_DIR}/PSmoke.png)
foreach(sound Scream Mine Boom Bzzt Ouff Loadup Spring pistol spring2 Plink splash)
  list(APPEND lr_asset_outputs ${LR_ASSET_SOUND_DIR}/${sound}.wav)
endforeach()
foreach(size ${LR_ICON_SIZES})
  list(APPEND lr_asset_outputs ${LR_ASSET_ICON_DIR}/lavarumble-${size}.png)
endforeach()

add_custom_command(
  OUTPUT ${LR_ASSET_STAMP}
  BYPRODUCTS ${lr_asset_outputs}
  COMMAND make_assets ${LR_ASSET_DATA_DIR} --sounds ${LR_ASSET_SOUND_DIR} --icons ${LR_ASSET_ICON_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${LR_ASSET_STAMP}
  DEPENDS make_assets
  COMMENT "Drawing the sprite sheets and synthesising the sounds"
  VERBATIM)
add_custom_target(assets ALL DEPENDS ${LR_ASSET_STAMP})

lr_tests(assets)
target_link_libraries(test_assets PRIVATE PNG::PNG)
target_include_directories(test_assets PRIVATE ${CMAKE_SOURCE_DIR}/tools/make_assets)
target_compile_definitions(test_assets PRIVATE
  LR_MAKE_ASSETS="$<TARGET_FILE:make_assets>"
  LR_ASSETS_DATA="${LR_ASSET_DATA_DIR}"
  LR_ASSETS_SOUNDS="${LR_ASSET_SOUND_DIR}")
add_dependencies(test_assets make_assets assets)
