// The names this system carried over from the Mac platform it was first
// written for, and what each one means here. The class names and the log
// texts stay as they were, since users, scripts and older logs know them.
//
// Formats and units
//   QuickTime movie, ".mov"      a file from libavformat's mov muxer, one video track (MovieFileSink)
//   1/600 s                      QuickTime's usual movie time scale: every time a session hands out, and
//                                the track's timescale (kTimeScale)
//   "avc1" "apcn" "jpeg"         four-character codec codes: H.264 (libx264), ProRes 422 (prores_ks),
//   "png " "rle "                Motion JPEG, PNG, Animation (qtrle)
//   "dvcp" "dvc "                PAL and NTSC DV (dvvideo, DVFormat)
//   quality 0…1024               the classic spatial quality scale (kQualityLow … kQualityLossless)
//   CVPixelBuffer                a Frame from a FramePool
//   textures (useTextures)       the asynchronous read-back through two pixel-pack buffers (GLReadBack);
//                                "OpenGL texture creation failed" is about those buffers
//
// The compression session (ICM, the Image Compression Manager) = EncoderSession over FrameEncoder
//   ICMCompressionSessionOptionsCreate      defaultCompressionOptions()
//   ICMCompressionSessionCreate             opening the encoder (EncoderSession::create)
//   ICMCompressionSessionEncodeFrame        a frame refused or failed in EncoderSession::compressFrame,
//                                           or a codec error on a packet
//   ICMCompressionSessionCompleteFrames     EncoderSession::flush()
//   encoded-frame callback                  PacketSink::write()
//   CompressSequenceFrame,                  the one-frame-at-a-time encoder of OpenGLQTCompressor
//   "Compression sequence creation failed"
//
// The standard compression dialog (SC…) = CompressionDialog and userCompressionOptions() in the shell
//   "Compression component opening failed"  the dialog cannot be shown (no encoder, or no widgets)
//   SCSetSettingsFromAtomContainer          CompressionSettings::parse() of the stored byte block
//                                           (the "atom container") under "CompressionDialogSettings"
//   SCRequestSequenceSettings               running the dialog
//   SCCopyCompressionSessionOptions         turning the chosen settings into options
//
// The movie (Movie Toolbox) = MovieFileSink over MovieFile
//   QTNewDataReferenceFromFullPathCFString  setting up the mov muxer for the path
//   CreateMovieStorage                      creating (truncating) the file
//   NewMovieTrack, NewTrackMedia            adding the video track, with the session's codec parameters
//   BeginMediaEdits                         writing the movie's header
//   AddMediaSampleFromEncodedFrame          writing one packet
//   AddMovieToStorage                       writing the movie's end (the trailer)
//
// Live video output ("vout" components, subtype "fire") = VideoOutput
//   "fire"                                  IEEE 1394 through libiec61883 (FireWireOutput); where there is
//                                           none, a DV stream to a file or pipe (DVStreamOutput)
//   QTVideoOutputBegin,                     VideoOutput::begin() and trying the outputs in turn
//   "Video out component creation failed"   (beginVideoOutput)
//   DecompressSequenceFrameS                handing one DV frame to the output
//
// Snapshots
//   createTIFFImageFileOnDesktopWithName    writes a PNG (OpenGLScreenReader)
#pragma once
