// Command numbers of the main window (toolbar, list context menu, panel pop-up
// menus, settings files, settings menu).
#pragma once

enum MainCommand {
    kCmdAddPictures = 35100,
    kCmdAddFolder = 35101,
    kCmdRemoveSelected = 35102,
    kCmdRotateLeft = 35103,
    kCmdRotateRight = 35104,
    kCmdFlipHorizontal = 35105,
    kCmdFlipVertical = 35106,
    kCmdPreview = 35107,
    kCmdStart = 35108,
    kCmdShortcut = 35109,
    kCmdPngTool = 35110,
    kCmdJoinTool = 35111,
    kCmdSliceTool = 35112,
    kCmdCropTool = 35113,
    kCmdConvertTool = 35114,
    kCmdWebSite = 35115,
    kCmdAbout = 35116,
    kCmdContextHelp = 35117,
    kCmdSettingsMenu = 35118,

    // 35200..35203 are the picture list's (app/picture_list_view.h).
    kCmdToggleThumbnails = 35204,
    kCmdViewOriginal = 35206,
    kCmdUnitPixels = 35207,
    kCmdUnitPercent = 35208,
    kCmdQualityMode = 35209,
    kCmdMaxSizeMode = 35210,

    kCmdSaveSettings = 35300,
    kCmdLoadDefaultSettings = 35301,
    kCmdLoadSettings = 35302,
    kCmdRecentSettingsFirst = 35303,
    kCmdRecentSettingsLast = 35312,

    kCmdRememberSaveTo = 35500,
    kCmdParseFileFormat = 35502,
    kCmdSaveModeDialog = 35503,
    kCmdCmykSwop = 35504,
    kCmdCmykJapan = 35506,
};
