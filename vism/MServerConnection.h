#pragma once
// The connection of one control to its own M server process.
class TMServerConnection {
public:
    virtual ~TMServerConnection() = default;
};
