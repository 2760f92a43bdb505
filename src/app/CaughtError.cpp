#include "app/CaughtError.h"

#include <exception>

namespace tamsel {

AWSError caughtError() {
    try {
        throw;
    } catch (const std::exception& error) {
        return asAWSError(error);
    } catch (...) {
        return AWSError::failed("不明なエラーが発生しました");
    }
}

}  // namespace tamsel
