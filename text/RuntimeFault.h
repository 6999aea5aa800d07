#pragma once
// The run-time check that ends the program: an array index outside its array,
// or a value type of ReadBytesValue outside 1-10. Thrown so that the front end
// can show the message box and end the program; nothing inside catches it.

#include <stdexcept>

#include "text/Text.h"

namespace kestrova {

class RuntimeFault : public std::runtime_error {
public:
    // message is GBK text, for example "数组成员引用下标超出定义范围".
    RuntimeFault(int code, Text message);

    int Code() const { return code_; }
    const Text& Message() const { return message_; }

    // The text of the message box, GBK: "运行时出错!", two line breaks,
    // "错误代码：" and the code, two line breaks, "错误信息：", the message and
    // a line break. Line breaks are CR LF.
    Text BoxText() const;

private:
    int code_;
    Text message_;
};

// Error 4: an index below 1; error 1: an index above the element count.
[[noreturn]] void RaiseIndexBelowOne();
[[noreturn]] void RaiseIndexAboveCount();

}  // namespace kestrova
