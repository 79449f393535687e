// The default handler templates.
#include "commands/DefaultTemplates.h"

namespace templates {

const Text& DefaultBeginTemplate() {
    static const Text text =
        u"' *** START ERROR HANDLER ***\r\n"
        u"On Error GoTo errHandler\r\n"
        u"If Err.Number <> 0 Then\r\n"
        u"errHandler: ErrorIn \"[ProcName]([Paramenters])\", Array([Paramenters]), EA_NORERAISE: HandleError: Exit "
        u"[ProcType]\r\n"
        u"End If\r\n"
        u"' *** BEGIN CODE ***\r\n";
    return text;
}

const Text& DefaultEndTemplate() {
    static const Text text;
    return text;
}

}  // namespace templates
