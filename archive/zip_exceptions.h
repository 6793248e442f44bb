#pragma once
// The errors the archive engine raises. Their texts are fixed English
// messages that reach the user unchanged.

#include <stdexcept>
#include <string>

namespace korvel {

class EZipException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EBadZipFile : public EZipException {
public:
    using EZipException::EZipException;
};
class EIncompleteZip : public EZipException {
public:
    using EZipException::EZipException;
};
class ENotAZipFile : public EZipException {
public:
    using EZipException::EZipException;
};
class EUserCanceled : public EZipException {
public:
    using EZipException::EZipException;
};
class ENotEnoughRoom : public EZipException {
public:
    using EZipException::EZipException;
};
class EConfigFileSaveError : public EZipException {
public:
    using EZipException::EZipException;
};

class EZLibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EZCompressionError : public EZLibError {
public:
    using EZLibError::EZLibError;
};

// The archive or its temporary file cannot be created. Not an archive error:
// the backup step tells the two apart.
class EFCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file cannot be opened for reading (a source file, the old archive, a stub).
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A source that is not a regular file (a FIFO, socket or device): the writer
// leaves it out and reports it instead of reading it.
class ENotRegularFile : public EFOpenError {
public:
    using EFOpenError::EFOpenError;
};

// A read or write failed for another reason than a full disk.
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The messages, exactly as the user sees them.
inline constexpr const char* kUserCanceledZip = "User canceled Zip operation";
inline constexpr const char* kUserAborted = "User Aborted Operation";
inline constexpr const char* kNotEnoughRoom = "Not enough room to write archive";
inline constexpr const char* kNotAValidZip = "Not a valid zip file!";
inline constexpr const char* kIncompleteZip = "Incomplete Zip File";
inline constexpr const char* kNotRegularFile = "It is not a regular file.";

} // namespace korvel
