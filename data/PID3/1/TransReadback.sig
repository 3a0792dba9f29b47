Transmission signatures of the VEXA TCS-3 (PID3/1) calibration table.
Byte 2048 is the transmission code, byte 2049 the layout revision.
A line is terms, an equals sign and a definition file or a star and a list.
@2048:0x03:0xFF @2049:0x31:0xFF = 4l80e.def
@2048:0x04:0xFF @2049:0x31:0xFF = *
*e4od.def*E4OD (1989 to 1997)
*4r100.def*4R100 (1998 on)
