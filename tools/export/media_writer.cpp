#include "media_writer.h"

#include <cstdio>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
}

namespace nuvix {
namespace {

const char* MuxerName(MediaWriter::Content content) {
  switch (content) {
    case MediaWriter::Content::kH263Raw: return "h263";
    case MediaWriter::Content::kPcmWav: return "wav";
    default: return "avi";
  }
}

void Describe(AVCodecParameters* p, MediaWriter::Content content, int width, int height, int rate) {
  if (content == MediaWriter::Content::kPcmWav) {
    p->codec_type = AVMEDIA_TYPE_AUDIO;
    p->codec_id = AV_CODEC_ID_PCM_S16LE;
    p->sample_rate = rate;
    av_channel_layout_default(&p->ch_layout, 1);
    p->bits_per_coded_sample = 16;
    p->block_align = 2;
    return;
  }
  p->codec_type = AVMEDIA_TYPE_VIDEO;
  p->codec_id = content == MediaWriter::Content::kMjpgAvi ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_H263;
  p->codec_tag = content == MediaWriter::Content::kMjpgAvi ? MKTAG('M', 'J', 'P', 'G') : MKTAG('H', '2', '6', '3');
  p->width = width;
  p->height = height;
}

}  // namespace

MediaWriter::~MediaWriter() { Close(); }

bool MediaWriter::Fail(const std::string& what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  error_ = what + " " + path_ + ": " + text;
  Close();
  return false;
}

bool MediaWriter::Open(const std::string& path, Content content, int width, int height, int rate) {
  Close();
  path_ = path;
  error_.clear();
  av_log_set_level(AV_LOG_ERROR);
  int code = avformat_alloc_output_context2(&context_, nullptr, MuxerName(content), path.c_str());
  if (code < 0) return Fail("cannot prepare", code);
  AVStream* stream = avformat_new_stream(context_, nullptr);
  packet_ = av_packet_alloc();
  if (!stream || !packet_) return Fail("cannot prepare", AVERROR(ENOMEM));
  Describe(stream->codecpar, content, width, height, rate);
  stream->time_base = AVRational{1, rate};
  stream->avg_frame_rate = content == Content::kPcmWav ? AVRational{0, 1} : AVRational{rate, 1};
  rate_ = rate;
  code = avio_open(&context_->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (code < 0) return Fail("cannot write", code);
  created_ = true;
  code = avformat_write_header(context_, nullptr);
  if (code < 0) return Fail("cannot write", code);
  headerWritten_ = true;
  return true;
}

bool MediaWriter::Write(const uint8_t* data, int size, int64_t timestamp, bool key) {
  if (!headerWritten_) return false;
  AVStream* stream = context_->streams[0];
  packet_->data = const_cast<uint8_t*>(data);
  packet_->size = size;
  packet_->stream_index = 0;
  // The muxer may have chosen another time base than 1/rate.
  const AVRational unit{1, rate_};
  const bool audio = stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
  packet_->pts = packet_->dts = av_rescale_q(timestamp, unit, stream->time_base);
  packet_->duration = av_rescale_q(audio ? size / 2 : 1, unit, stream->time_base);
  packet_->flags = key ? AV_PKT_FLAG_KEY : 0;
  const int code = av_write_frame(context_, packet_);
  packet_->data = nullptr;
  packet_->size = 0;
  return code < 0 ? Fail("cannot write", code) : true;
}

bool MediaWriter::Finish() {
  if (!headerWritten_) return false;
  headerWritten_ = false;
  int code = av_write_trailer(context_);
  const int closed = avio_closep(&context_->pb);
  if (code >= 0) code = closed;
  if (code < 0) return Fail("cannot write", code);
  created_ = false;  // finished: the file stays
  Close();
  return true;
}

void MediaWriter::Close() {
  if (context_) {
    if (context_->pb) avio_closep(&context_->pb);
    avformat_free_context(context_);
    context_ = nullptr;
  }
  av_packet_free(&packet_);
  headerWritten_ = false;
  if (created_) std::remove(path_.c_str());
  created_ = false;
}

}  // namespace nuvix
