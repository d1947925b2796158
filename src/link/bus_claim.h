// Something an operation must hold while it drives the bus, such as the lock
// of a virtual encoder that several programs share. The link claims it when an
// operation opens (SendStart(true)) and releases it when the operation closes
// (SendStop(true)); an operation that cannot claim it never touches the bus
// and ends "!Ready".
#pragma once

#include <string>

namespace quorvan {

class BusClaim {
public:
    virtual ~BusClaim() = default;
    // false: the operation must not reach the bus; `error` names why.
    virtual bool claim(std::string& error) = 0;
    virtual void release() = 0;
};

} // namespace quorvan
