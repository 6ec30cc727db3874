#pragma once
// libjpeg's default error handler ends the process; ours jumps back to the
// caller's setjmp(errors.resume) with the library's text, and warnings are
// ignored. Nothing with a destructor may live between that setjmp and the
// jump.
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace belvanto {

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf resume;
    char text[JMSG_LENGTH_MAX];
};

// For the err field of a compress or decompress struct.
jpeg_error_mgr* InstallJpegErrors(JpegErrorManager& errors);

} // namespace belvanto
