#!/usr/bin/perl
# Packs PNG images into one Windows icon file: png_to_ico.pl OUT.ico SIZE=FILE.png...
# Every entry keeps its PNG as it is, which Windows reads for icons of any size since Vista.
use strict;
use warnings;

my $out = shift @ARGV;
my @images;
for my $arg (@ARGV) {
    my ($size, $file) = split /=/, $arg, 2;
    open my $in, '<:raw', $file or die "png_to_ico: $file: $!\n";
    local $/;
    push @images, [$size, scalar <$in>];
    close $in;
}
my $offset = 6 + 16 * @images;
my $directory = pack 'v3', 0, 1, scalar @images;
my $data = '';
for my $image (@images) {
    my ($size, $png) = @$image;
    # A width or height of 256 is written as 0.
    my $side = $size >= 256 ? 0 : $size;
    $directory .= pack 'C4 v2 V2', $side, $side, 0, 0, 1, 32, length $png, $offset + length $data;
    $data .= $png;
}
open my $fh, '>:raw', $out or die "png_to_ico: $out: $!\n";
print $fh $directory, $data;
close $fh or die "png_to_ico: $out: $!\n";
