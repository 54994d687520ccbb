// What another tab may ask of the capturing tab: start and stop a camera channel
// as its action cell would (the SQUAD tab's tour feeds its cells this way),
// without knowing the capturing tab itself.
#pragma once

class IChannelCapture {
 public:
  virtual ~IChannelCapture() = default;
  virtual void StartChannel(int ch) = 0;
  virtual void StopChannel(int ch) = 0;
  virtual bool IsCapturing(int ch) const = 0;
};
