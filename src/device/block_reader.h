// The block reader's inner steps, shared by the exchanges of com_module.cpp: the request on a
// line cleared of stale bytes, and the whole reply to a block request taken off the line by
// count. What they keep of the instrument lives in ConnectionState::blockReplies.
#pragma once

#include <string>

#include "device/com_module.h"

namespace movexa {

// Discards stale input (see block_reader.cpp for what stale bytes tell), then writes the frame;
// true when all five bytes went out. `blockRequest`: the frame asks for a signal block and
// counts in the series in progress.
bool SendRequestFrame(DeviceLink& link, int code, int arg, int mode, bool blockRequest);

// What reading one block reply gave.
struct BlockReplyRead {
  int received = 0;         // bytes of the reply taken off the line
  bool answers = false;     // at least `need` bytes came and they can be shown to be the start of
                            // the reply to the request just written
  bool misaligned = false;  // the bytes may hold another reply's (the series is out of step)
  bool silent = false;      // nothing came within the port table's time-outs
};

// Reads the reply to the block request just written: the first `need` bytes (at most 194) into
// `reply`, and the whole rest of the reply as far as its length is known, so that no tail is
// left for the next exchange.
BlockReplyRead ReadBlockReply(DeviceLink& link, int need, std::string& reply);

}  // namespace movexa
