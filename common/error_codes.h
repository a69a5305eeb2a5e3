#pragma once

// Error numbers FERULO reports. A number stands for a cause and does not
// change, so that users and scripts can rely on it. Files FERULO reads or
// writes (templates, pages, job files) are below 100; database files are in
// the 3000s, with the numbers the Access database engine gives the same
// causes, so that its documentation applies; FERULO's own reader process and
// command line start at 9000.
namespace ferulo::error_code {

// Files
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDeviceIoError = 57;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccessError = 75;
inline constexpr int kPathNotFound = 76;

// Databases
inline constexpr int kCouldNotFindDatabase = 3024;
inline constexpr int kDatabaseEncrypted = 3031;
inline constexpr int kInvalidDatabasePath = 3044;
inline constexpr int kCannotOpenDatabase = 3049;
inline constexpr int kCouldNotOpenFile = 3051;
inline constexpr int kTableNotFound = 3078;
inline constexpr int kUnrecognizedFormat = 3343;

// FERULO's isolated database reader
inline constexpr int kReaderNotStarted = 9001;
inline constexpr int kReaderCrashed = 9002;
inline constexpr int kReaderTimedOut = 9003;
inline constexpr int kReaderOutOfMemory = 9004;
inline constexpr int kReaderBadAnswer = 9005;

// Field lists the generation run refuses
inline constexpr int kControlCharacterInEntry = 9201;

// The page helpers file beside the templates, where it cannot serve the pages
inline constexpr int kBadPageHelpers = 9301;

// The command-line front end
inline constexpr int kBadJobFile = 9101;

// The window
inline constexpr int kFolderNotOpened = 9401;  // the desktop showed no folder

}  // namespace ferulo::error_code
