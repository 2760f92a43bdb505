#include "bridge/EC2Instance.h"

#include "bridge/AWSError.h"
#include "bridge/Collation.h"

namespace tamsel {

std::string SecurityGroup::displayName() const {
    return name.empty() ? id : name + " (" + id + ")";
}

// parseInstances: to be written.

}  // namespace tamsel
