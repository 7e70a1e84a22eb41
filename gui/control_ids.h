#pragma once

namespace tavro {

// Control identifiers of the main dialog. Each widget's object name is
// "control" followed by its identifier (ControlName), so code and tests find
// it by the same number.
enum ControlId : int {
    kIdExit = 2,
    kIdFilesModified = 1001,
    kIdBackupExtension = 1003,
    kIdIncludeSubdirectories = 1007,
    kIdMakeBackups = 1008,
    kIdStartStop = 1009,
    kIdExtensionLabel = 1010,
    kIdBrowseFolder = 1012,
    kIdSkipReadOnly = 1014,
    kIdProcessReadOnly = 1015,
    kIdStartDirectory = 1018,
    kIdFileType = 1019,
    kIdCaseSensitive = 1021,
    kIdFind = 1024,
    kIdReplace = 1025,
    kIdStatus = 1027,
    kIdRecordLogfile = 1028,
    kIdLogFileName = 1029,
    kIdSaveSettingsOnExit = 1031,
    kIdRegularExpression = 1032,
    kIdOpenLog = 1033,
    kIdAutoConfig = 1038,
    kIdStartDirectoryLabel = 1039,
    kIdFindLabel = 1040,
    kIdReplaceLabel = 1041,
    kIdFileTypeLabel = 1042,
    kIdFilesModifiedLabel = 1045,
    kIdReadOnlyGroup = 1055,
    kIdHtmlGroup = 1076,
    kIdEditHtml = 1077,
    kIdViewHtml = 1078,
    kIdEnableHtml = 1080,
    kIdPicture = -1,
};

// Menu and system commands.
enum CommandId : int {
    kCmdAboutSystemMenu = 16,
    kCmdLogFileViewer = 32775,
    kCmdOpenConfig = 32777,
    kCmdHtmlEditor = 32780,
    kCmdHtmlBrowser = 32781,
    kCmdAbout = 32782,
    kCmdSaveSearchAs = 32785,
    kCmdClearStartDir = 32789,
    kCmdClearFind = 32790,
    kCmdClearReplace = 32791,
    kCmdClearFileType = 32792,
    kCmdClearAll = 32793,
    kCmdTextFileViewer = 32794,
    kCmdSaveSettingsNow = 32795,
    kCmdExit = 57665,
    kCmdHelpTopics = 57667,
};

}  // namespace tavro
