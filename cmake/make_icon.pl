#!/usr/bin/perl
# Draws the suite's icon and writes it as a Windows .ico (16, 32 and 48 pixels,
# 32-bit with alpha): a blue rounded tile with a white ring and a check mark,
# "everything tidy". Only perl's built-ins, so a bare Debian can run it.
#   make_icon.pl OUT.ico
use strict;
use warnings;

my $out = shift or die "usage: make_icon.pl OUT.ico\n";
my @sizes = (16, 32, 48);
my $ss = 4;    # samples per pixel edge

# Distance from point (px,py) to the segment (ax,ay)-(bx,by).
sub seg_dist {
  my ($px, $py, $ax, $ay, $bx, $by) = @_;
  my ($dx, $dy) = ($bx - $ax, $by - $ay);
  my $t = (($px - $ax) * $dx + ($py - $ay) * $dy) / ($dx * $dx + $dy * $dy);
  $t = 0 if $t < 0;
  $t = 1 if $t > 1;
  my ($qx, $qy) = ($ax + $t * $dx - $px, $ay + $t * $dy - $py);
  return sqrt($qx * $qx + $qy * $qy);
}

# Colour of one sample at unit coordinates (0..1, y down): [r, g, b, a].
sub sample {
  my ($x, $y) = @_;
  # The tile: a rounded square with a margin.
  my ($m, $r) = (0.04, 0.2);
  my $cx = $x < $m + $r ? $m + $r : ($x > 1 - $m - $r ? 1 - $m - $r : $x);
  my $cy = $y < $m + $r ? $m + $r : ($y > 1 - $m - $r ? 1 - $m - $r : $y);
  my $inside = ($x >= $m && $x <= 1 - $m && $y >= $m && $y <= 1 - $m) &&
               (($x - $cx)**2 + ($y - $cy)**2 <= $r * $r);
  return [0, 0, 0, 0] unless $inside;
  # A top-to-bottom blue gradient.
  my @c = (int(40 + 30 * (1 - $y)), int(110 + 60 * (1 - $y)), int(200 + 40 * (1 - $y)), 255);
  # The white ring and the check mark inside it.
  my $d = sqrt(($x - 0.5)**2 + ($y - 0.5)**2);
  my $ring = abs($d - 0.32) < 0.055;
  my $check = seg_dist($x, $y, 0.33, 0.52, 0.46, 0.65) < 0.06 || seg_dist($x, $y, 0.46, 0.65, 0.69, 0.38) < 0.06;
  return [255, 255, 255, 255] if $ring || $check;
  return \@c;
}

sub image {
  my ($n) = @_;
  my ($xor, $and) = ('', '');
  my $mask_stride = int(($n + 31) / 32) * 4;
  for (my $row = $n - 1; $row >= 0; --$row) {    # bottom-up
    my @bits = (0) x ($mask_stride * 8);
    for my $col (0 .. $n - 1) {
      my ($r, $g, $b, $a) = (0, 0, 0, 0);
      for my $sy (0 .. $ss - 1) {
        for my $sx (0 .. $ss - 1) {
          my $s = sample(($col + ($sx + 0.5) / $ss) / $n, ($row + ($sy + 0.5) / $ss) / $n);
          # Premultiplied sums, so edges blend with what lies behind.
          $r += $s->[0] * $s->[3];
          $g += $s->[1] * $s->[3];
          $b += $s->[2] * $s->[3];
          $a += $s->[3];
        }
      }
      my $k = $ss * $ss;
      my $alpha = int($a / $k + 0.5);
      my @px = $a ? (int($b / $a + 0.5), int($g / $a + 0.5), int($r / $a + 0.5)) : (0, 0, 0);
      $xor .= pack('C4', @px, $alpha);
      $bits[$col] = 1 if $alpha == 0;
    }
    $and .= pack('B*', join('', @bits));
  }
  my $header = pack('V l l v v V V l l V V', 40, $n, 2 * $n, 1, 32, 0, length($xor) + length($and), 0, 0, 0, 0);
  return $header . $xor . $and;
}

my @images = map { image($_) } @sizes;
my $ico = pack('v v v', 0, 1, scalar @sizes);
my $offset = 6 + 16 * @sizes;
for my $i (0 .. $#sizes) {
  $ico .= pack('C C C C v v V V', $sizes[$i], $sizes[$i], 0, 0, 1, 32, length($images[$i]), $offset);
  $offset += length($images[$i]);
}
$ico .= join('', @images);
open(my $fh, '>:raw', "$out.tmp") or die "make_icon.pl: cannot write $out.tmp: $!\n";
print $fh $ico;
close($fh) or die "make_icon.pl: cannot write $out.tmp: $!\n";
rename("$out.tmp", $out) or die "make_icon.pl: cannot rename to $out: $!\n";
