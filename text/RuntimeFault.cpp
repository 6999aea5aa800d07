#include "text/RuntimeFault.h"

#include "text/Gbk.h"

namespace kestrova {

RuntimeFault::RuntimeFault(int code, Text message)
    : std::runtime_error(GbkToUtf8(message)), code_(code), message_(std::move(message)) {}

Text RuntimeFault::BoxText() const {
    static const Text kHead = Gbk("运行时出错!");
    static const Text kCode = Gbk("错误代码：");
    static const Text kMessage = Gbk("错误信息：");
    return kHead + "\r\n\r\n" + kCode + std::to_string(code_) + "\r\n\r\n" + kMessage + message_ +
           "\r\n";
}

void RaiseIndexBelowOne() {
    throw RuntimeFault(4, Gbk("数组成员引用下标必须大于等于1"));
}

void RaiseIndexAboveCount() {
    throw RuntimeFault(1, Gbk("数组成员引用下标超出定义范围"));
}

}  // namespace kestrova
