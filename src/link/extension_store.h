// Where an encoder keeps what the chip lacks: its extension record
// (content/extended.h). Only the virtual encoder has one; a real chip's link
// holds no store, and nothing of the record ever reaches a bus.
#pragma once

namespace quorvan {

struct ExtensionRecord;

class ExtensionStore {
public:
    virtual ~ExtensionStore() = default;
    virtual const ExtensionRecord& extension() const = 0;
    // Inside an operation (its claim held), so that a shared state file
    // saves the change when the claim is released.
    virtual void setExtension(const ExtensionRecord& record) = 0;
};

} // namespace quorvan
