#include "core/JpegErrors.h"

namespace belvanto {

namespace {

extern "C" void jumpBack(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->text);
    std::longjmp(errors->resume, 1);
}

extern "C" void noWarnings(j_common_ptr, int) {}

} // namespace

jpeg_error_mgr* InstallJpegErrors(JpegErrorManager& errors)
{
    jpeg_error_mgr* manager = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpBack;
    errors.base.emit_message = noWarnings;
    errors.text[0] = '\0';
    return manager;
}

} // namespace belvanto
