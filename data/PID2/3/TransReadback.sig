Transmission signatures of the VEXA TCS-2 (PID2/3) calibration table.
Byte 152 is the transmission code, byte 153 the layout revision.
A line is terms, an equals sign and a definition file or a star and a list.
@152:0x01:0xFF @153:0x23:0xFF = *
*4l60e.def*4L60E (standard duty)
*4l60ehd.def*4L60E-HD (heavy-duty internals)
@152:0x02:0xFF @153:0x23:0xFF = 4r70w.def
@152:0x03:0xFF @153:0x23:0xFF = 4l80e.def
