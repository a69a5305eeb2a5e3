#pragma once

// Error numbers FERULO reports. File errors keep the numbers Visual Basic and
// its file-system object used for the same causes; database errors keep the
// Jet engine's numbers; failures of FERULO's own reader process have their own
// range.
namespace ferulo::error_code {

// Files
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileAlreadyOpen = 55;
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
inline constexpr int kInvalidSqlStatement = 3129;
inline constexpr int kUnrecognizedFormat = 3343;
inline constexpr int kBadConnectionString = 3151;

// FERULO's isolated database reader
inline constexpr int kReaderNotStarted = 9001;
inline constexpr int kReaderCrashed = 9002;
inline constexpr int kReaderTimedOut = 9003;
inline constexpr int kReaderOutOfMemory = 9004;
inline constexpr int kReaderBadAnswer = 9005;

// Field lists the generation run refuses
inline constexpr int kControlCharacterInEntry = 9201;

// The command-line front end
inline constexpr int kBadJobFile = 9101;

}  // namespace ferulo::error_code
